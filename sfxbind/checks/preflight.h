// Names every entry the self-extractor would not extract as the user
// expects, why, and what to do about it, before anything is written.
#pragma once
#include "sfxbind/checks/findings.h"
#include "sfxbind/output/archive_rewrite.h"

namespace sfxbind {

// `local` holds the local header the self-extractor will walk to: its fixed
// part followed by the name (and possibly the extra field). True for an
// encrypted entry the stub decrypts with the password.
bool check_local_header(const Bytes& local, StubKind stub, Findings& out);

// The rewrite's notes, then every entry as it will be written.
Findings preflight(const ZipLayout& layout, const RewritePlan& plan, StubKind stub);

}  // namespace sfxbind
