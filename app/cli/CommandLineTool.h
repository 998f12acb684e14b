#pragma once

#include <cstdio>
#include <optional>
#include <span>

// The modes that run without a window: --calc, --self-test, --functions, --help, --version.
// Returns the exit status when `args` (argv without the program name) asks for one of them, and
// nothing when the program should start its window. Writes to `out` and `err`; --calc without
// formulas reads `in`.
std::optional<int> RunCommandLineTool(std::span<const char* const> args, std::FILE* in,
                                      std::FILE* out, std::FILE* err);
