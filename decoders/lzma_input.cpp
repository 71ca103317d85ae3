#include "decoders/lzma_input.h"

#include <cstring>

#include "archive/run_state.h"

const uint8_t* stage_lzma_input(RunState& run, LzmaInput& input, const uint8_t* in) {
  const uint32_t kept = static_cast<uint32_t>(input.end - in);
  std::memmove(input.bytes, in, kept);
  const int64_t unread = compressed_unread(run.bits);
  const uint32_t room = kLzmaStageSize - kept;
  const uint32_t wanted =
      unread < static_cast<int64_t>(room) ? static_cast<uint32_t>(unread > 0 ? unread : 0) : room;
  // A file that ends inside the entry ends the staging as the entry's end would.
  const uint32_t got = archive_read(run.archive, input.bytes + kept, wanted);
  count_off_compressed(run.bits, got);
  input.end = input.bytes + kept + got;
  input.last = got < wanted || compressed_unread(run.bits) == 0;
  std::memset(input.end, 0, kLzmaSymbolInput);
  input.safe = input.last ? input.end : input.end - kLzmaSymbolInput;
  return input.bytes;
}
