// A tiny in-process control for the ActiveX tests (built by the project, never
// shipped). DllRegisterServer writes a class, its ProgID, an interface whose
// proxy/stub is that class and a type library, each naming this DLL's own
// path, so the type-library walk finds it; DllUnregisterServer removes them.
// The "failing" build (TESTCONTROL_FAILING) refuses to unregister.
#include <windows.h>

#ifdef TESTCONTROL_FAILING
#define GUID_TAIL "0000C0FFEE11"
#define PROG_ID "SuiteTest.FailingControl.1"
#else
#define GUID_TAIL "0000C0FFEE01"
#define PROG_ID "SuiteTest.Control.1"
#endif

namespace {

const char kClass[] = "{5E1F3A10-7B2C-4D3E-9A41-" GUID_TAIL "}";
const char kInterface[] = "{5E1F3A11-7B2C-4D3E-9A41-" GUID_TAIL "}";
const char kLibrary[] = "{5E1F3A12-7B2C-4D3E-9A41-" GUID_TAIL "}";

HMODULE g_module = nullptr;

bool SetDefault(const char* path, const char* value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>(lstrlenA(value) + 1));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

void Join(char* out, const char* a, const char* b) {
  lstrcpyA(out, a);
  lstrcatA(out, b);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  char self[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(g_module, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return E_FAIL;
  char key[512];
  bool ok = true;
  Join(key, "CLSID\\", kClass);
  ok = ok && SetDefault(key, "Suite Test Control");
  Join(key, "CLSID\\", kClass);
  lstrcatA(key, "\\InprocServer32");
  ok = ok && SetDefault(key, self);
  Join(key, "CLSID\\", kClass);
  lstrcatA(key, "\\ProgID");
  ok = ok && SetDefault(key, PROG_ID);
  ok = ok && SetDefault(PROG_ID, "Suite Test Control");
  ok = ok && SetDefault(PROG_ID "\\CLSID", kClass);
  Join(key, "Interface\\", kInterface);
  ok = ok && SetDefault(key, "ISuiteTest");
  lstrcatA(key, "\\ProxyStubClsid32");
  ok = ok && SetDefault(key, kClass);
  Join(key, "TypeLib\\", kLibrary);
  lstrcatA(key, "\\1.0");
  ok = ok && SetDefault(key, "Suite Test Control Library");
  lstrcatA(key, "\\0\\win32");
  ok = ok && SetDefault(key, self);
  return ok ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
#ifdef TESTCONTROL_FAILING
  return E_FAIL;
#else
  char key[512];
  Join(key, "CLSID\\", kClass);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, PROG_ID);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, PROG_ID);
  Join(key, "Interface\\", kInterface);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
  Join(key, "TypeLib\\", kLibrary);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
  return S_OK;
#endif
}
