#pragma once
// What the monitor window writes beside the values, for every front end:
// the captions of its rows and lamps, and its status line. The window only
// places these texts; which one stands where is decided here.
#include <string>
#include <string_view>

#include "monitor/monitor_session.h"
#include "text/texts.h"

namespace klv {

// The caption of a row (0-11) in the language, as the display has it now:
// rows 0 and 8 follow the control mode and the model. Empty for a row past
// the catalogue.
std::string_view MonitorRowCaption(const MonitorDisplay& display, int row, Language language);

// "AL1", "AL2", "DO1", "DO2", "DI1", "DI2", "DI3"; empty past the lamps.
std::string_view MonitorLampName(int lamp);

// The status line under the data record's bar: while nothing has ever
// answered, what was tried and what to do; while the line is lost, and a
// moment after it is back, that alone; a change of unit before the line's
// return; otherwise the record's own status.
std::string MonitorStatusText(const MonitorView& view, Language language);

// The regulator as the title names it after the title word ("KLV40 - V-FB",
// "KLV30", "??"), for the caption of a saved graph; empty before an
// identification named one.
std::string MonitoredUnitName(const MonitorDisplay& display);

}  // namespace klv
