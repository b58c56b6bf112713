// The document commands' window-independent half over a window that records
// what it was asked: the save question's answers, Save and Save as, with
// real files in a scratch folder.
#include "app/document_flow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/parameter_file.h"
#include "model/register_catalogue.h"
#include "support/fake_clock.h"
#include "text/texts.h"

namespace klv::testing {
namespace {

class RecordingDocumentWindow : public DocumentWindow {
 public:
  explicit RecordingDocumentWindow(ProgramState& state) : state_(state) {}

  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  void ReadScreen() override { state_.parameters = screen; }
  SaveChoice AskToSaveChanges() override {
    ++questions;
    return answer;
  }
  std::optional<std::filesystem::path> ChooseSaveFile(const std::string& title,
                                                      const std::filesystem::path& folder) override {
    offeredTitle = title;
    offeredFolder = folder;
    ++fileDialogs;
    return fileChosen;
  }
  std::optional<std::filesystem::path> ChooseOpenFile(const std::filesystem::path& folder) override {
    offeredFolder = folder;
    ++fileDialogs;
    return fileChosen;
  }
  bool Modified() const override { return modified; }
  void SetModified(bool value) override { modified = value; }
  const std::string& DocumentTitle() const override { return title; }
  const std::filesystem::path& DocumentPath() const override { return path; }
  void NameDocument(const std::filesystem::path& newPath, const std::string& newTitle) override {
    path = newPath;
    title = newTitle;
  }
  void ResetDocument() override {
    path.clear();
    title = "Untitled";
    modified = false;
  }
  void ShowParameters() override {}
  void ApplyLayout(ModelKind model) override { layouts.push_back(model); }
  void NoteParameterFile(const std::filesystem::path& file) override { recentFiles.push_back(file); }
  void ShowRecentFiles() override { ++recentMenuShown; }

  SaveChoice answer = SaveChoice::Cancel;
  std::optional<std::filesystem::path> fileChosen;
  ParameterSet screen;
  bool modified = true;
  std::string title = "Untitled";
  std::filesystem::path path;
  int questions = 0;
  int fileDialogs = 0;
  int recentMenuShown = 0;
  std::string offeredTitle;
  std::filesystem::path offeredFolder;
  std::vector<std::string> messages;
  std::vector<std::filesystem::path> recentFiles;
  std::vector<ModelKind> layouts;

 private:
  ProgramState& state_;
};

class DocumentFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder of this test's own: ctest runs the tests side by side, each in a
    // process of its own.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("klv-docflow-" + std::string(test->name()) + "-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder_);
    state_ = std::make_unique<ProgramState>(clock_);
    state_->currentModel = ModelKind::Klv30;
    LoadDefaults(state_->parameters, ModelKind::Klv30);
    window_ = std::make_unique<RecordingDocumentWindow>(*state_);
    // The screen holds an edit the set does not have yet.
    window_->screen = state_->parameters;
    window_->screen.slowUpTime = static_cast<int16_t>(state_->parameters.slowUpTime + 7);
  }
  void TearDown() override {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }
  std::string Says(TextId id) const { return std::string(Text(id, state_->language)); }

  FakeClock clock_;
  std::filesystem::path folder_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<RecordingDocumentWindow> window_;
};

TEST_F(DocumentFlowTest, SaveQuestionAnswersDecideWhetherTheCommandGoesOn) {
  struct Case {
    SaveChoice answer;
    bool goesOn;
    bool fileWritten;
  };
  for (const Case& c : {Case{SaveChoice::Save, true, true}, Case{SaveChoice::Discard, true, false},
                        Case{SaveChoice::Cancel, false, false}}) {
    TearDown();
    SetUp();
    const std::filesystem::path file = folder_ / "kept.klv";
    window_->answer = c.answer;
    window_->fileChosen = file;

    EXPECT_EQ(document_flow::SaveChangesFirst(*state_, *window_), c.goesOn);

    EXPECT_EQ(window_->questions, 1);
    EXPECT_EQ(std::filesystem::exists(file), c.fileWritten);
    EXPECT_EQ(window_->modified, !c.fileWritten);
    if (c.fileWritten) {
      // Yes saves through Save as: the file holds the screen's values.
      const ParameterFileLoad load = LoadParameterFile(file);
      ASSERT_TRUE(load.contents);
      EXPECT_EQ(load.contents->parameters, window_->screen);
      EXPECT_EQ(window_->path, file);
      EXPECT_EQ(window_->recentFiles, std::vector<std::filesystem::path>{file});
      EXPECT_EQ(window_->messages.back(), Says(TextId::FileWritten));
    } else {
      EXPECT_EQ(window_->fileDialogs, 0);
      EXPECT_TRUE(window_->messages.empty());
    }
  }
}

TEST_F(DocumentFlowTest, NothingUnsavedAsksNothing) {
  window_->modified = false;
  EXPECT_TRUE(document_flow::SaveChangesFirst(*state_, *window_));
  EXPECT_EQ(window_->questions, 0);
}

TEST_F(DocumentFlowTest, YesWithSaveAsCancelledStopsTheCommand) {
  window_->answer = SaveChoice::Save;
  EXPECT_FALSE(document_flow::SaveChangesFirst(*state_, *window_));
  EXPECT_TRUE(window_->modified);
  EXPECT_EQ(window_->messages, std::vector<std::string>{Says(TextId::Cancelled)});
}

TEST_F(DocumentFlowTest, SaveAsCancelledKeepsTheFileAndSaysCancelled) {
  const std::filesystem::path earlier = folder_ / "earlier.klv";
  window_->NameDocument(earlier, DocumentTitleFor(earlier));
  state_->options.parameterFolder = folder_;

  EXPECT_FALSE(document_flow::Save(*state_, *window_, true));

  EXPECT_EQ(window_->offeredTitle, DocumentTitleFor(earlier));
  EXPECT_EQ(window_->offeredFolder, folder_);
  EXPECT_EQ(window_->path, earlier);
  EXPECT_EQ(window_->title, DocumentTitleFor(earlier));
  EXPECT_EQ(state_->options.parameterFolder, folder_);
  EXPECT_TRUE(window_->modified);
  EXPECT_FALSE(std::filesystem::exists(earlier));
  EXPECT_EQ(window_->messages, std::vector<std::string>{Says(TextId::Cancelled)});
  // The screen was taken into the set all the same.
  EXPECT_EQ(state_->parameters, window_->screen);
}

TEST_F(DocumentFlowTest, SaveIntoTheDocumentsFileAsksNoName) {
  const std::filesystem::path file = folder_ / "unit.klv";
  window_->NameDocument(file, DocumentTitleFor(file));

  EXPECT_TRUE(document_flow::Save(*state_, *window_, false));

  EXPECT_EQ(window_->fileDialogs, 0);
  EXPECT_FALSE(window_->modified);
  const ParameterFileLoad load = LoadParameterFile(file);
  ASSERT_TRUE(load.contents);
  EXPECT_EQ(load.contents->parameters, window_->screen);
  EXPECT_EQ(window_->messages, std::vector<std::string>{Says(TextId::FileWritten)});
}

TEST_F(DocumentFlowTest, FailedSaveKeepsModifiedAndTellsTheFailure) {
  // A folder stands where the file should go: it cannot be written.
  const std::filesystem::path blocked = folder_ / "blocked.klv";
  std::filesystem::create_directories(blocked);
  struct Case {
    bool alwaysAsk;
    std::string failure;
  };
  for (const Case& c : {Case{false, Says(TextId::FileException)}, Case{true, "CfileException!"}}) {
    window_->messages.clear();
    window_->recentFiles.clear();
    window_->path = c.alwaysAsk ? std::filesystem::path() : blocked;
    window_->fileChosen = blocked;

    EXPECT_FALSE(document_flow::Save(*state_, *window_, c.alwaysAsk));

    EXPECT_TRUE(window_->modified);
    EXPECT_TRUE(window_->recentFiles.empty());
    ASSERT_EQ(window_->messages.size(), 1u);
    EXPECT_EQ(window_->messages[0].rfind(c.failure, 0), 0u) << window_->messages[0];
    EXPECT_GT(window_->messages[0].size(), c.failure.size()) << "the system's reason follows";
  }
}

TEST_F(DocumentFlowTest, RefusedFileChangesNothing) {
  const std::filesystem::path file = folder_ / "short.klv";
  std::ofstream(file, std::ios::binary) << "not a parameter file";
  const ParameterSet before = state_->parameters;
  const std::filesystem::path earlier = folder_ / "earlier.klv";
  window_->NameDocument(earlier, "earlier");

  EXPECT_FALSE(document_flow::LoadFile(*state_, *window_, file, true));

  const ParameterFileLoad load = LoadParameterFile(file);
  ASSERT_NE(load.status, ParameterFileStatus::Loaded);
  EXPECT_EQ(window_->messages, std::vector<std::string>{Says(*RefusalText(load.status))});
  EXPECT_EQ(state_->parameters, before);
  EXPECT_EQ(window_->path, earlier);
  EXPECT_EQ(window_->title, "earlier");
  EXPECT_TRUE(window_->modified);
  EXPECT_TRUE(window_->layouts.empty());
  EXPECT_TRUE(window_->recentFiles.empty());
}

TEST_F(DocumentFlowTest, LoadedFileBecomesTheUnmodifiedDocument) {
  const std::filesystem::path file = folder_ / "klv40.klv";
  ParameterSet written;
  LoadDefaults(written, ModelKind::Klv40);
  written.slowDownTime = static_cast<int16_t>(written.slowDownTime + 3);
  ASSERT_TRUE(WriteParameterFile(file, written, ModelKind::Klv40).ok);

  EXPECT_TRUE(document_flow::LoadFile(*state_, *window_, file, true));

  EXPECT_EQ(state_->parameters, written);
  EXPECT_EQ(window_->layouts, std::vector<ModelKind>{ModelKind::Klv40});
  EXPECT_EQ(window_->path, file);
  EXPECT_EQ(window_->title, DocumentTitleFor(file));
  EXPECT_FALSE(window_->modified);
  EXPECT_EQ(window_->messages, std::vector<std::string>{Says(TextId::FileRead)});
  EXPECT_EQ(window_->recentFiles, std::vector<std::filesystem::path>{file});
}

TEST_F(DocumentFlowTest, ModelCancelledAtTheSaveQuestionStays) {
  const ParameterSet before = state_->parameters;
  window_->answer = SaveChoice::Cancel;
  document_flow::ChooseModel(*state_, *window_, ModelKind::Klv40);
  EXPECT_EQ(state_->currentModel, ModelKind::Klv30);
  EXPECT_EQ(state_->parameters, before);
  EXPECT_TRUE(window_->modified);
  EXPECT_TRUE(window_->layouts.empty());

  window_->answer = SaveChoice::Discard;
  document_flow::ChooseModel(*state_, *window_, ModelKind::Klv40);
  ParameterSet defaults;
  LoadDefaults(defaults, ModelKind::Klv40);
  EXPECT_EQ(state_->currentModel, ModelKind::Klv40);
  EXPECT_EQ(state_->parameters, defaults);
  EXPECT_EQ(window_->layouts, std::vector<ModelKind>{ModelKind::Klv40});
  EXPECT_FALSE(window_->modified);
}

TEST_F(DocumentFlowTest, OpenCancelledLeavesTheDocumentUnmodifiedAndSaysCancelled) {
  window_->answer = SaveChoice::Discard;
  const ParameterSet before = state_->parameters;

  document_flow::Open(*state_, *window_);

  EXPECT_EQ(window_->fileDialogs, 1);
  EXPECT_FALSE(window_->modified);
  EXPECT_EQ(state_->parameters, before);
  EXPECT_EQ(window_->messages, std::vector<std::string>{Says(TextId::Cancelled)});
}

TEST_F(DocumentFlowTest, RecentFileGoneSinceLeavesTheListAndIsTold) {
  const std::filesystem::path gone = folder_ / "gone.klv";
  const std::filesystem::path kept = folder_ / "kept.klv";
  state_->options.recentFiles = {gone, kept};
  window_->modified = false;

  document_flow::OpenRecent(*state_, *window_, gone);

  EXPECT_EQ(state_->options.recentFiles, std::vector<std::filesystem::path>{kept});
  EXPECT_EQ(window_->recentMenuShown, 1);
  ASSERT_EQ(window_->messages.size(), 1u);
  EXPECT_EQ(window_->messages[0], Says(*RefusalText(LoadParameterFile(gone).status)));
  EXPECT_TRUE(window_->layouts.empty());
}

}  // namespace
}  // namespace klv::testing
