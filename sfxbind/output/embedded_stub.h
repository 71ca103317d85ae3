// The stub built into the tool, generated at build time; empty when no stub
// was available then.
#pragma once
#include <cstdint>
#include <span>

std::span<const uint8_t> embedded_stub();
