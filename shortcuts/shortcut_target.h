// Reading the target of a shortcut file.
//
// The detector is a byte-level scan: the file is read as raw bytes and the
// first drive path that contains a "." is taken as the target. It finds the
// ANSI path that Explorer stores in every local shortcut, whatever the
// shortcut's structure. Its weakness is a target name outside the ANSI code
// page (emoji, UTF-8 or cp1252 bytes read as GBK): the bytes it finds name a
// file that does not exist. The system's own shell-link reader (Unicode, read
// only) gives the second opinion before a shortcut is called broken.
#pragma once
#include <string>
#include <vector>

namespace suite {

// The byte-level scan over a shortcut's bytes; empty when no target is found.
std::string RawShortcutTarget(std::string bytes);
// Reads at most the first MiB of the file; empty when it cannot be read.
std::string ReadShortcutBytes(const std::string& path);
// The Unicode target paths a shell-link file stores (the link information's
// Unicode base path and suffix, and the environment-variable block's Unicode
// target), read from its bytes with every offset checked against the size.
std::vector<std::wstring> UnicodeShortcutTargets(const std::string& bytes);
// True when the bytes open with the shell-link header: its size (0x4C) and
// the shell-link class id.
bool IsShellLinkHeader(const std::string& bytes);

// The second opinion: a target that the system's shell-link reader gives for
// `path`, or one of its stored Unicode targets, exists (file or folder). The
// link is loaded read-only and never resolved (resolving can rewrite it).
// Needs COM initialised on the calling thread.
bool ShellLinkTargetExists(const std::string& path);

// The second opinion as the deletion needs it: true only when the file is a
// real shell link (valid header), the system's reader or the link's stored
// Unicode paths gave at least one target, and the system says that every one
// of them does not exist on a fixed disk. Any failure - the file is no link,
// does not load, COM is unavailable, a name does not convert - is "not
// missing". Needs COM initialised on the calling thread.
bool ShellLinkTargetMissing(const std::string& path);

}  // namespace suite
