// PluginLock: locks and unlocks the main cleaner's plug-in definition files, so
// that users can write their own definitions as plain settings text and lock
// them for the "CleanPlugin" folder (the build locks the shipped ones with it).
//
//   PluginLock lock FILE...     scrambles plain definitions in place
//   PluginLock unlock FILE...   turns locked definitions back into plain text
//   PluginLock check FILE...    tells for each file whether it is locked
//
// Exit status 0 when every file was handled, 1 when one was not, 2 for a bad
// command line. A file is replaced only when its new content was written whole.
#include <cstdio>
#include <cstring>
#include <string>

#include "plugins.h"

namespace {

const char* Reason(int code) {
  switch (code) {
    case dustrel::kPluginCannotWrite: return "无法读写文件";
    case dustrel::kPluginNotLocked: return "文件状态不符(已锁定、未锁定或无法读取)";
    case dustrel::kPluginWrongKey: return "密钥不符";
    default: return "未知错误";
  }
}

int Usage() {
  std::fputs(
      "PluginLock lock FILE...     锁定插件定义文件\n"
      "PluginLock unlock FILE...   解开插件定义文件\n"
      "PluginLock check FILE...    查看文件是否已锁定\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string verb = argv[1];
  if (verb != "lock" && verb != "unlock" && verb != "check") return Usage();
  int status = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string path = argv[i];
    if (verb == "check") {
      std::printf("%s: %s\n", path.c_str(), dustrel::IsLockedPlugin(path) ? "已锁定" : "未锁定");
      continue;
    }
    const int code = verb == "lock" ? dustrel::LockPlugin(path) : dustrel::UnlockPlugin(path);
    if (code != dustrel::kPluginOk) {
      std::fprintf(stderr, "%s: %s (%d)\n", path.c_str(), Reason(code), code);
      status = 1;
    }
  }
  return status;
}
