#include "browserstores.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <urlhist.h>
#include <wininet.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "dryrun.h"
#include "founditem.h"
#include "handles.h"
#include "inifile.h"
#include "regremoval.h"
#include "registry.h"
#include "sysinfo.h"
#include "text.h"

namespace dustrel::traces {

const char* const kUrlTooLong = "History is too long,can't Display";

namespace {

constexpr DWORD kCookieBit = 0x00100000;   // COOKIE_CACHE_ENTRY
constexpr DWORD kHistoryBit = 0x00200000;  // URLHISTORY_CACHE_ENTRY
constexpr size_t kScanBufferSize = 0x8000;
constexpr size_t kMaxEntrySize = 16u << 20;  // a cache that asks for more is not believed
constexpr size_t kMaxUrlText = 32768 - 1;

// The history object and its interface.
const CLSID kUrlHistoryClass = {0x3C374A40, 0xBAE4, 0x11CF,
                                {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
const IID kUrlHistoryStg2 = {0xAFA0DC11, 0xC313, 0x11D0,
                             {0x83, 0x1A, 0x00, 0xC0, 0x4F, 0xD5, 0xAE, 0x38}};

const char* const kProtectedStorage = "Software\\Microsoft\\Protected Storage System Provider\\";
const char* const kAutoCompleteLeaf = "e161255a-37c3-11d2-bcaa-00c04fd929db";
const char* const kIntelliForms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";

// The local file of an entry, read only within its buffer; empty when there
// is none or it does not end inside the buffer.
std::string LocalFileOf(const INTERNET_CACHE_ENTRY_INFOA& entry, size_t bufferSize) {
  const auto begin = reinterpret_cast<uintptr_t>(&entry);
  const auto file = reinterpret_cast<uintptr_t>(entry.lpszLocalFileName);
  if (!entry.lpszLocalFileName || file < begin || file >= begin + bufferSize) return std::string();
  const char* text = entry.lpszLocalFileName;
  const void* end = std::memchr(text, '\0', begin + bufferSize - file);
  return end ? std::string(text, static_cast<const char*>(end)) : std::string();
}

void ScanStore(TraceContext& context, DWORD bit, const char* column2, const char* column3,
               const char* marker) {
  const std::string description = suite::GetInterfaceText(context.iniName, "strCookIEmess");
  WalkUrlCache(
      kScanBufferSize,
      [&](const INTERNET_CACHE_ENTRY_INFOA& entry, size_t bufferSize) {
        if (!(entry.CacheEntryType & bit)) return;
        FoundItem row;
        row.name = EntryUrl(entry, bufferSize);
        row.folder = column2;
        row.size = column3;
        row.category = description;
        row.marker = marker;
        context.sink.Add(std::move(row));
      },
      &context.stop);
}

// Deletes the entries the test selects. The addresses are gathered first and
// deleted after the walk, so the deletions cannot disturb the enumeration.
// A preview deletes nothing; the local files of the entries it would delete
// count as removed for the rest of the run (the cache rows left to the sweep).
bool Sweep(size_t firstSize, const std::function<bool(DWORD type)>& selected) {
  std::vector<std::string> urls, localFiles;
  const bool complete = WalkUrlCache(firstSize, [&](const INTERNET_CACHE_ENTRY_INFOA& entry,
                                                    size_t bufferSize) {
    if (!selected(entry.CacheEntryType)) return;
    std::string url = EntryUrl(entry, bufferSize);
    if (url == kUrlTooLong) return;
    urls.push_back(std::move(url));
    localFiles.push_back(LocalFileOf(entry, bufferSize));
  });
  for (size_t i = 0; i < urls.size(); ++i) {
    if (suite::MayChange("delete cache entry", urls[i]))
      DeleteUrlCacheEntryA(urls[i].c_str());
    else
      suite::NoteRemovedPath(localFiles[i]);
  }
  return complete;
}

// Whether the URL cache holds an entry the test selects (the walk ends at the first).
bool CacheHolds(const std::function<bool(DWORD type)>& selected) {
  std::atomic<bool> found{false};
  WalkUrlCache(
      kScanBufferSize,
      [&](const INTERNET_CACHE_ENTRY_INFOA& entry, size_t) {
        if (selected(entry.CacheEntryType)) found = true;
      },
      &found);
  return found;
}

bool KeyPresent(HKEY root, const std::string& path) {
  suite::UniqueKey key;
  const LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put());
  return rc != ERROR_FILE_NOT_FOUND;  // a key we may not read is still there
}

// A key that holds a value or a sub-key (or that we may not read).
bool KeyHoldsSomething(HKEY root, const std::string& path) {
  suite::UniqueKey key;
  const LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put());
  if (rc != ERROR_SUCCESS) return rc != ERROR_FILE_NOT_FOUND;
  DWORD keys = 0, values = 0;
  const bool read = RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr,
                                     &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  return !read || keys + values > 0;
}

// Backs the key up and removes it; nothing is removed without the backup.
BrowserCleanResult RemoveKey(const char* rootName, const std::string& path,
                             suite::RestorePoint& point) {
  BrowserCleanResult result;
  if (!KeyPresent(suite::RootKeyFromName(rootName), path)) return result;
  result.found = true;
  const suite::RemovalReport removal =
      suite::RemoveWithBackup({suite::KeyEntry(rootName, path)}, point);
  result.backupFolder = removal.folder;
  result.backedUp = removal.BackedUp();
  result.removed = removal.gone[0];
  return result;
}

// The access list of a key as a self-relative security descriptor; empty
// when it cannot be read.
std::vector<BYTE> ReadAccessList(const std::string& path) {
  std::vector<BYTE> descriptor;
  suite::UniqueKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, READ_CONTROL, key.put()) != ERROR_SUCCESS)
    return descriptor;
  DWORD size = 0;
  if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size) ==
          ERROR_INSUFFICIENT_BUFFER &&
      size > 0) {
    descriptor.resize(size);
    if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data(), &size) !=
        ERROR_SUCCESS)
      descriptor.clear();
  }
  return descriptor;
}

bool WriteAccessList(const std::string& path, PSECURITY_DESCRIPTOR descriptor) {
  if (!suite::MayChange("change access list", "HKEY_CURRENT_USER\\" + path)) return false;
  suite::UniqueKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, key.put()) != ERROR_SUCCESS)
    return false;
  return RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
}

// The temporary access list: full key access, inherited by objects and
// containers, for the user and for Local System.
class OpenAccessList {
 public:
  explicit OpenAccessList(PSID user) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                  &system_))
      return;
    const DWORD size = GetLengthSid(system_) + GetLengthSid(user) + 24;
    acl_.assign(size, 0);
    PACL acl = reinterpret_cast<PACL>(acl_.data());
    const DWORD inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    ok_ = InitializeAcl(acl, size, ACL_REVISION) &&
          AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, 0xF003F, user) &&
          AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, 0xF003F, system_) &&
          InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
          SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE);
  }
  ~OpenAccessList() {
    if (system_) FreeSid(system_);
  }
  OpenAccessList(const OpenAccessList&) = delete;
  OpenAccessList& operator=(const OpenAccessList&) = delete;
  bool Ok() const { return ok_; }
  PSECURITY_DESCRIPTOR Descriptor() { return &descriptor_; }

 private:
  PSID system_ = nullptr;
  std::vector<BYTE> acl_;  // heap storage, aligned for the ACL's DWORD fields
  SECURITY_DESCRIPTOR descriptor_{};
  bool ok_ = false;
};

// Keys whose access list was replaced, with the list each had before; every
// one that still exists gets its own list back when this goes.
class AccessListGuard {
 public:
  explicit AccessListGuard(OpenAccessList& open) : open_(open) {}
  ~AccessListGuard() {
    for (auto it = changed_.rbegin(); it != changed_.rend(); ++it)
      if (KeyPresent(HKEY_CURRENT_USER, it->first))
        WriteAccessList(it->first, it->second.data());
  }
  AccessListGuard(const AccessListGuard&) = delete;
  AccessListGuard& operator=(const AccessListGuard&) = delete;

  // Opens one key up; a key whose own list cannot be read is left alone, so
  // that no key ever keeps the temporary list.
  bool Open(const std::string& path) {
    std::vector<BYTE> saved = ReadAccessList(path);
    if (saved.empty()) return false;
    if (!WriteAccessList(path, open_.Descriptor())) return false;
    changed_.emplace_back(path, std::move(saved));
    return true;
  }
  // The key and every key below it.
  void OpenTree(const std::string& path, int depth = 0) {
    if (depth > 512 || !Open(path)) return;
    std::vector<std::string> names;
    {
      suite::UniqueKey key;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
      DWORD count = 0;
      RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr);
      char name[261];
      for (DWORD i = 0; i < count; ++i) {
        if (RegEnumKeyA(key.get(), i, name, sizeof name) != ERROR_SUCCESS) break;
        names.emplace_back(name);
      }
    }
    for (const std::string& sub : names) OpenTree(path + "\\" + sub, depth + 1);
  }

 private:
  OpenAccessList& open_;
  std::vector<std::pair<std::string, std::vector<BYTE>>> changed_;
};

struct TokenUserSid {
  std::vector<BYTE> sid;
  PSID Get() { return sid.empty() ? nullptr : reinterpret_cast<PSID>(sid.data()); }
};

TokenUserSid ReadUserSid() {
  TokenUserSid result;
  suite::UniqueHandleKernel token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return result;
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size) &&
      GetLastError() == ERROR_INSUFFICIENT_BUFFER && size > 0) {
    std::vector<BYTE> info(size);
    if (GetTokenInformation(token.get(), TokenUser, info.data(), size, &size)) {
      PSID sid = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
      if (IsValidSid(sid)) {
        result.sid.resize(GetLengthSid(sid));
        CopySid(static_cast<DWORD>(result.sid.size()), result.sid.data(), sid);
      }
    }
  }
  return result;
}

BrowserCleanResult CleanAutoCompleteNt(suite::RestorePoint& point) {
  BrowserCleanResult result;
  TokenUserSid user = ReadUserSid();
  if (!user.Get()) return result;
  const std::string owner = ProtectedStorageKey(SidText(user.Get()));
  if (!KeyPresent(HKEY_CURRENT_USER, owner)) return result;
  const std::string data = owner + "\\Data";
  const std::string target = data + "\\" + kAutoCompleteLeaf;
  OpenAccessList open(user.Get());
  {
    AccessListGuard guard(open);  // puts every changed list back, whatever happens below
    if (open.Ok() && guard.Open(owner)) {
      guard.Open(data);
      guard.OpenTree(target);
    }
    result = RemoveKey("HKEY_CURRENT_USER", target, point);
  }
  return result;
}

}  // namespace

bool WalkUrlCache(size_t firstSize, const CacheVisitor& visit, const std::atomic<bool>* stop) {
  size_t size = firstSize < sizeof(INTERNET_CACHE_ENTRY_INFOA) ? sizeof(INTERNET_CACHE_ENTRY_INFOA)
                                                                : firstSize;
  std::unique_ptr<uint64_t[]> buffer;
  size_t allocated = 0;
  HANDLE find = nullptr;
  bool complete = false;
  for (;;) {
    if (stop && *stop) break;
    if (allocated != size) {
      buffer.reset(new uint64_t[(size + 7) / 8]());
      allocated = size;
    }
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.get());
    entry->dwStructSize = static_cast<DWORD>(size);
    DWORD got = static_cast<DWORD>(size);
    bool ok;
    if (!find) {
      find = FindFirstUrlCacheEntryA(nullptr, entry, &got);
      ok = find != nullptr;
    } else {
      ok = FindNextUrlCacheEntryA(find, entry, &got) != FALSE;
    }
    if (ok) {
      visit(*entry, allocated);
      continue;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_INSUFFICIENT_BUFFER && got > size && got <= kMaxEntrySize) {
      size = got;
      continue;
    }
    complete = error == ERROR_NO_MORE_ITEMS;
    break;
  }
  if (find) FindCloseUrlCache(find);
  return complete;
}

std::string EntryUrl(const INTERNET_CACHE_ENTRY_INFOA& entry, size_t bufferSize) {
  const auto begin = reinterpret_cast<uintptr_t>(&entry);
  const auto url = reinterpret_cast<uintptr_t>(entry.lpszSourceUrlName);
  if (!entry.lpszSourceUrlName || url < begin || url >= begin + bufferSize) return kUrlTooLong;
  const size_t room = begin + bufferSize - url;
  const char* text = entry.lpszSourceUrlName;
  const void* end = std::memchr(text, '\0', room);
  if (!end) return kUrlTooLong;
  std::string result(text, static_cast<const char*>(end));
  if (result.size() > kMaxUrlText) result.resize(kMaxUrlText);
  return result;
}

void ScanHistory(TraceContext& context) {
  ScanStore(context, kHistoryBit, "History", "Internet Explorer History", kMarkerHistory);
}

void ScanCookies(TraceContext& context) {
  ScanStore(context, kCookieBit, "Cookie Cache", "Internet Explorer CookIE", kMarkerCookie);
}

bool SweepCache() {
  // Temporary files only: cookies and history entries belong to their own
  // rows, which the user may have left unticked.
  return Sweep(32768, [](DWORD type) { return !(type & (kCookieBit | kHistoryBit)); });
}

bool SweepCookies() {
  return Sweep(32768, [](DWORD type) { return (type & kCookieBit) != 0; });
}

bool SweepHistory() {
  return Sweep(8192, [](DWORD type) { return (type & kHistoryBit) != 0; });
}

bool ClearHistoryObject() {
  if (!suite::MayChange("clear history", "IUrlHistoryStg2")) return true;
  suite::ComScope com;
  bool cleared = false;
  IUrlHistoryStg2* history = nullptr;
  if (SUCCEEDED(CoCreateInstance(kUrlHistoryClass, nullptr, CLSCTX_INPROC_SERVER, kUrlHistoryStg2,
                                 reinterpret_cast<void**>(&history))) &&
      history) {
    cleared = SUCCEEDED(history->ClearHistory());
    history->Release();
  }
  return cleared;
}

std::string SidText(PSID sid) {
  if (!sid || !IsValidSid(sid)) return std::string();
  const PSID_IDENTIFIER_AUTHORITY authority = GetSidIdentifierAuthority(sid);
  std::string text = suite::Format("S-1-%lu", static_cast<unsigned long>(authority->Value[5]));
  const UCHAR count = *GetSidSubAuthorityCount(sid);
  for (UCHAR i = 0; i < count; ++i)
    text += suite::Format("-%lu", static_cast<unsigned long>(*GetSidSubAuthority(sid, i)));
  return text;
}

std::string CurrentUserSidText() {
  TokenUserSid user = ReadUserSid();
  return user.Get() ? SidText(user.Get()) : std::string();
}

std::string ProtectedStorageKey(const std::string& owner) { return kProtectedStorage + owner; }

std::string AutoCompleteKey(const std::string& owner) {
  return ProtectedStorageKey(owner) + "\\Data\\" + kAutoCompleteLeaf;
}

BrowserCleanResult CleanAutoComplete(suite::RestorePoint& point) {
  if (!suite::IsWin9x()) return CleanAutoCompleteNt(point);
  char name[261] = {};
  DWORD size = 260;
  if (!GetUserNameA(name, &size) || !name[0]) return BrowserCleanResult();
  return RemoveKey("HKEY_LOCAL_MACHINE", AutoCompleteKey(name), point);
}

BrowserCleanResult CleanPasswords(suite::RestorePoint& point) {
  return RemoveKey("HKEY_CURRENT_USER", kIntelliForms, point);
}

bool StoreHasContent(int n) {
  switch (n) {
    case 1: return CacheHolds([](DWORD type) { return !(type & (kCookieBit | kHistoryBit)); });
    case 2: return CacheHolds([](DWORD type) { return (type & kHistoryBit) != 0; });
    case 4: return CacheHolds([](DWORD type) { return (type & kCookieBit) != 0; });
    case 25: {
      if (!suite::IsWin9x()) {
        const std::string sid = CurrentUserSidText();
        return !sid.empty() && KeyHoldsSomething(HKEY_CURRENT_USER, AutoCompleteKey(sid));
      }
      char name[261] = {};
      DWORD size = 260;
      return GetUserNameA(name, &size) && name[0] &&
             KeyHoldsSomething(HKEY_LOCAL_MACHINE, AutoCompleteKey(name));
    }
    case 26: return KeyHoldsSomething(HKEY_CURRENT_USER, kIntelliForms);
    default: return false;
  }
}

BrowserStoreActions DefaultBrowserStoreActions() {
  BrowserStoreActions actions;
  actions.start = [](const std::string& program, const std::string& parameters) {
    if (!suite::MayChange("start", program + " " + parameters)) return true;
    return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", program.c_str(),
                                                   parameters.c_str(), nullptr, SW_HIDE)) > 32;
  };
  return actions;
}

OtherItemTicks CleanBrowserStores(const OtherItemTicks& stores, bool autoExit,
                                  const BrowserStoreActions& actions) {
  OtherItemTicks emptied{};
  const bool cache = stores[0], history = stores[1], cookies = stores[3];
  // The history object first; the sweep then removes whatever it left, so the
  // history is emptied also where the object is missing or does nothing.
  auto clearHistory = [] {
    const bool object = ClearHistoryObject();
    return SweepHistory() || object;
  };
  if (autoExit) {
    if (cache) emptied[0] = SweepCache();
    if (history) emptied[1] = clearHistory();
    if (cookies) emptied[3] = SweepCookies();
    return emptied;
  }
  if (suite::IsIE7()) {
    const struct {
      int row;  // OtherItem<row+1>
      int store;
    } commands[] = {{0, 8}, {1, 1}, {3, 2}, {24, 16}, {25, 32}};
    for (const auto& c : commands)
      if (stores[static_cast<size_t>(c.row)] && actions.start)
        emptied[static_cast<size_t>(c.row)] = actions.start(
            "RunDll32.exe", suite::Format("InetCpl.cpl,ClearMyTracksByProcess %d", c.store));
    return emptied;
  }
  if (cache) emptied[0] = SweepCache();
  if (history) emptied[1] = clearHistory();
  if (cookies) emptied[3] = SweepCookies();
  suite::RestorePoint ownPoint;
  suite::RestorePoint& point = actions.restorePoint ? *actions.restorePoint : ownPoint;
  if (stores[24]) emptied[24] = CleanAutoComplete(point).removed;
  if (stores[25]) emptied[25] = CleanPasswords(point).removed;
  return emptied;
}

}  // namespace dustrel::traces
