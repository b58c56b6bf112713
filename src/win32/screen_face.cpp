#include "win32/screen_face.h"

#include <windows.h>

#include <array>
#include <vector>

#include "text/texts.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

struct FaceSearch {
  BYTE charset = DEFAULT_CHARSET;
  std::vector<std::wstring> faces;
};

int CALLBACK NoteFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM context) {
  auto* search = reinterpret_cast<FaceSearch*>(context);
  // Faces for vertical writing ("@...") are no screen font.
  if (font->lfFaceName[0] != L'@') search->faces.emplace_back(font->lfFaceName);
  return 1;
}

// The installed faces with that name (empty: every face) and character set.
std::vector<std::wstring> InstalledFaces(const std::wstring& name, BYTE charset) {
  FaceSearch search{charset, {}};
  LOGFONTW wanted{};
  wanted.lfCharSet = charset;
  lstrcpynW(wanted.lfFaceName, name.c_str(), LF_FACESIZE);
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&search), 0);
  ReleaseDC(nullptr, screen);
  return search.faces;
}

}  // namespace

std::string ScreenFaceName(Language language) {
  const std::wstring own = Widen(ScreenFontFor(language).family);
  const BYTE charset = language == Language::Japanese ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
  if (!InstalledFaces(own, charset).empty()) return Narrow(own);
  if (language == Language::English) return "MS Shell Dlg 2";
  // Japanese user-interface fonts of Windows, then the Gothic (sans-serif)
  // faces that Linux distributions give Wine, then any Japanese face.
  constexpr std::array<const wchar_t*, 7> preferred = {L"MS UI Gothic", L"Meiryo UI", L"Yu Gothic UI",
                                                      L"MS PGothic",   L"IPAPGothic", L"Noto Sans CJK JP",
                                                      L"VL PGothic"};
  for (const wchar_t* face : preferred) {
    if (!InstalledFaces(face, charset).empty()) return Narrow(face);
  }
  const std::vector<std::wstring> any = InstalledFaces(L"", charset);
  for (const std::wstring& face : any) {
    if (face.find(L"Gothic") != std::wstring::npos || face.find(L"Sans") != std::wstring::npos) return Narrow(face);
  }
  return any.empty() ? Narrow(own) : Narrow(any.front());
}

}  // namespace klv
