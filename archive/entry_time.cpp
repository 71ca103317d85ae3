#include "archive/entry_time.h"

#include "archive/extra_fields.h"
#include "archive/records.h"
#include "platform/files.h"

namespace {

const uint8_t* bytes(std::string_view s) { return reinterpret_cast<const uint8_t*>(s.data()); }

}  // namespace

uint64_t exact_entry_time(std::string_view extra) {
  // The finer of the two first. NTFS: 4 reserved bytes, then attributes laid
  // out as extra blocks; tag 1 holds the modification, access and creation
  // times. Windows refuses FILETIMEs from 2^63 on (all ones means "leave
  // alone"); a time of 0 counts as none.
  const std::string_view ntfs = find_extra_block(extra, kNtfsTimesExtraId);
  if (ntfs.size() >= 4) {
    const std::string_view times = find_extra_block({ntfs.data() + 4, ntfs.size() - 4}, 1);
    if (times.size() == 24 && (times[7] & 0x80) == 0) return read_le64(bytes(times));
  }
  // Extended timestamp: flags (bit 0: the modification time follows), then
  // 32-bit Unix seconds, taken unsigned (1970 to 2106).
  const std::string_view stamp = find_extra_block(extra, kExtendedTimestampExtraId);
  if (stamp.size() >= 5 && (stamp[0] & 1) != 0)
    return (read_le32(bytes(stamp) + 1) + platform::kUnixEpochSeconds) * platform::kTicksPerSecond;
  return 0;
}
