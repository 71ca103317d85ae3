// What the console prints of a text that may come from an archive: a
// terminal acts on control characters, so they are shown, never sent.
#pragma once
#include <string>
#include <string_view>

// Control characters (C0, DEL and C1) and bytes that begin no UTF-8
// sequence become \xNN, one escape per byte; everything else stays.
std::string visible_text(std::string_view text);
