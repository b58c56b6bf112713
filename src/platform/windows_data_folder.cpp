#include "platform/windows_data_folder.h"

#include <shlobj.h>

#include <system_error>

#include "platform/windows_error.h"

namespace klv {

DataFolderOutcome DataFolderAt(const std::filesystem::path& documents) {
  DataFolderOutcome outcome;
  std::error_code ec;
  std::filesystem::create_directories(documents, ec);
  if (!ec && !std::filesystem::is_directory(documents, ec)) {
    ec = std::make_error_code(std::errc::not_a_directory);
  }
  if (ec) {
    outcome.error = documents.string() + ": " + ec.message();
    return outcome;
  }
  outcome.ok = true;
  outcome.path = documents;
  return outcome;
}

DataFolderOutcome DataFolder() {
  PWSTR folder = nullptr;
  // KF_FLAG_CREATE: a fresh profile may not have the folder yet.
  const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_PublicDocuments, KF_FLAG_CREATE, nullptr, &folder);
  if (FAILED(result)) {
    ::CoTaskMemFree(folder);
    DataFolderOutcome outcome;
    outcome.error = "the all-users documents folder: " + WindowsErrorText(static_cast<DWORD>(result));
    return outcome;
  }
  const std::filesystem::path path(folder);
  ::CoTaskMemFree(folder);
  return DataFolderAt(path);
}

}  // namespace klv
