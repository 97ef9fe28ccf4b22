// The list icons in the built programs: every image of a list is a picture
// of its own (not the program's icon again), and each icon holds 16x16 and
// 32x32 images in 256 colours and in 32-bit colour.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "cleaner/window/listicons.h"
#include "drawn.h"
#include "regscan/listicons.h"
#include "testsupport.h"

namespace {

namespace t = suite::test;

#pragma pack(push, 2)
struct GroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

// (size, bits per pixel) of every image of icon `id`.
std::set<std::pair<int, int>> Images(HMODULE module, int id) {
  std::set<std::pair<int, int>> images;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  if (!found) return images;
  const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  const WORD count = *reinterpret_cast<const WORD*>(bytes + 4);
  const auto* entries = reinterpret_cast<const GroupEntry*>(bytes + 6);
  for (WORD n = 0; n < count; ++n)
    images.insert({entries[n].width ? entries[n].width : 256, entries[n].bits});
  return images;
}

// The 16x16 pixels of every image of `list`, drawn on white.
std::vector<std::vector<DWORD>> Pictures(HIMAGELIST list) {
  std::vector<std::vector<DWORD>> pictures;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  for (int i = 0, n = ImageList_GetImageCount(list); i < n; ++i) {
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(list, i, dc, 0, 0, ILD_NORMAL);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    pictures.emplace_back(pixels, pixels + 256);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pictures;
}

void ExpectOwnPictures(const std::string& program, const std::vector<int>& ids) {
  SCOPED_TRACE(program);
  HMODULE module = LoadLibraryExA((t::DistFolder() + "\\" + program).c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const std::set<std::pair<int, int>> wanted{{16, 8}, {32, 8}, {16, 32}, {32, 32}};
  for (int id : ids) {
    const auto images = Images(module, id);
    for (const auto& image : wanted)
      EXPECT_TRUE(images.count(image)) << "icon " << id << " lacks " << image.first << "x"
                                       << image.first << " at " << image.second << " bits";
  }
  // The program's own icon last: no list image may be a copy of it.
  std::vector<int> all = ids;
  all.push_back(1);
  HIMAGELIST list = suite::LoadIconList(module, all.data(), all.size());
  ASSERT_NE(list, nullptr);
  const auto pictures = Pictures(list);
  ASSERT_EQ(pictures.size(), all.size());
  for (size_t a = 0; a < pictures.size(); ++a) {
    EXPECT_NE(pictures[a], std::vector<DWORD>(256, 0x00FFFFFF)) << "icon " << all[a] << " is empty";
    for (size_t b = a + 1; b < pictures.size(); ++b)
      EXPECT_NE(pictures[a], pictures[b]) << "icons " << all[a] << " and " << all[b] << " look the same";
  }
  ImageList_Destroy(list);
  FreeLibrary(module);
}

TEST(ListIcons, EveryListImageIsAPictureOfItsOwnInBothSizesAndDepths) {
  ExpectOwnPictures("Dustrel.exe", {IDI_TARGET_IMAGES});
  ExpectOwnPictures("Dustrel.exe", {IDI_PAGE_IMAGES});
  ExpectOwnPictures("Hivemend.exe", {IDI_CATEGORY_IMAGES});
}

}  // namespace
