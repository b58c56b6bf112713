// The texts the monitor window shows beside its values, as every front end
// takes them from the core.
#include "monitor/monitor_window_texts.h"

#include <gtest/gtest.h>

#include <utility>

namespace klv {
namespace {

TEST(MonitorWindowTexts, RowCaptionsFollowTheDisplayAndTheLanguage) {
  MonitorDisplay display;
  EXPECT_EQ(MonitorRowCaption(display, 0, Language::English), "Output ( x 0.1% )");
  EXPECT_EQ(MonitorRowCaption(display, 2, Language::English), "Load current  ( x 0.1A )");
  EXPECT_EQ(MonitorRowCaption(display, 4, Language::Japanese),
            Caption(Screen::Monitor, "Control input ( x 0.1% )", Language::Japanese));
  EXPECT_EQ(MonitorRowCaption(display, 11, Language::English), "Analog output ( x 0.1% )");
  display.outputCaption = "output ( V )";
  display.alarmRowCaption = "AL output";
  EXPECT_EQ(MonitorRowCaption(display, 0, Language::English), "output ( V )");
  EXPECT_EQ(MonitorRowCaption(display, 8, Language::Japanese),
            Caption(Screen::Monitor, "AL output", Language::Japanese));
  EXPECT_EQ(MonitorRowCaption(display, 12, Language::English), "");
  EXPECT_EQ(MonitorRowCaption(display, -1, Language::English), "");
}

TEST(MonitorWindowTexts, LampNames) {
  EXPECT_EQ(MonitorLampName(0), "AL1");
  EXPECT_EQ(MonitorLampName(3), "DO2");
  EXPECT_EQ(MonitorLampName(6), "DI3");
  EXPECT_EQ(MonitorLampName(7), "");
}

enum class Said { Record, Lost, Back, Unit };

struct StatusCase {
  const char* name;
  bool lineLost;
  bool lineBack;
  const char* unitChangedTo;
  Said said;
};

TEST(MonitorWindowTexts, StatusLineSaysTheMostPressingThing) {
  const StatusCase cases[] = {
      {"nothing to say of the line", false, false, "", Said::Record},
      {"lost", true, false, "", Said::Lost},
      {"back", false, true, "", Said::Back},
      {"a new unit before the line's return", false, true, "KLV30E", Said::Unit},
      {"a lost line before a new unit", true, false, "KLV30E", Said::Lost},
  };
  for (const StatusCase& c : cases) {
    SCOPED_TRACE(c.name);
    MonitorView view;
    view.recordStatus = "10sec-sample 10min-log ";
    view.display.lineLost = c.lineLost;
    view.display.lineBack = c.lineBack;
    view.display.unitChangedTo = c.unitChangedTo;
    view.display.unitRecordFile = "datalog-20261211-104205.csv";
    std::string expected;
    switch (c.said) {
      case Said::Record: expected = view.recordStatus; break;
      case Said::Lost: expected = Text(TextId::LineLostReconnecting, Language::English); break;
      case Said::Back: expected = Text(TextId::LineBack, Language::English); break;
      case Said::Unit:
        expected = Text(TextId::AnotherUnit, Language::English, {"KLV30E"}) +
                   Text(TextId::RecordGoesOnIn, Language::English, {"datalog-20261211-104205.csv"});
        break;
    }
    EXPECT_EQ(MonitorStatusText(view, Language::English), expected);
  }
  // Nothing ever answered: what was tried, also over a lost line.
  MonitorView silent;
  silent.display.lineLost = true;
  silent.nothingAnswered = true;
  silent.noReplyText = "No reply from address 1 on COM1.";
  EXPECT_EQ(MonitorStatusText(silent, Language::English), silent.noReplyText);
}

TEST(MonitorWindowTexts, TheUnitNamedByTheTitle) {
  MonitorDisplay display;
  EXPECT_EQ(MonitoredUnitName(display), "");
  for (const auto& [title, name] : {std::pair{"Monitor - KLV40 - PA  ", "KLV40 - PA"},
                                   std::pair{"Monitor - KLV30E", "KLV30E"}, std::pair{"Monitor - ??", "??"}}) {
    display.title = title;
    EXPECT_EQ(MonitoredUnitName(display), name);
  }
  display.title = std::string(Caption(Screen::Monitor, "Monitor", Language::Japanese)) + " - KLV30";
  EXPECT_EQ(MonitoredUnitName(display), "KLV30");
}

}  // namespace
}  // namespace klv
