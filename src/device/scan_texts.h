#pragma once
// What the Find device windows show of a scan, the same in every front end:
// the progress line, a found regulator's cells, a trouble's line and the
// closing line.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "device/regulator_scan.h"
#include "text/language.h"

namespace klv {

// "COM3  9600 EVEN 1 TORVALEK  trying address 5".
std::string ScanProgressText(const ScanProgress& progress, Language language);

// The model: "KLV40"; "?? (0110=12AB)" when the code is one the program does
// not know; "??" when only refusals came back.
std::string FoundModelText(const FoundRegulator& found);

// The options its option word checks, "none", or "not read" when the word was
// not read whole.
std::string FoundOptionsText(const FoundRegulator& found, Language language);

// "on" / "off": whether it answered only with local echo.
std::string FoundEchoText(const FoundRegulator& found, Language language);

// The cells of one row of the found list, in the column order of
// FoundColumnTitles.
std::vector<std::string> FoundRowCells(const FoundRegulator& found, Language language);
std::vector<std::string> FoundColumnTitles(Language language);

// "COM3 (9600 EVEN 1 TORVALEK): <the port's failure on one line>".
std::string ScanTroubleText(const ScanTrouble& trouble);

// "TORVALEK, Modbus RTU": the protocols a scan speaks.
std::string ScanProtocolNames(std::span<const Protocol> protocols);

// The status line once the scan has ended: how many were found, or that none
// was with what was tried; "Stopped. " before it when it was stopped.
std::string ScanFinishedText(std::size_t foundCount, bool cancelled, std::span<const ScanPort> ports,
                             std::span<const Protocol> protocols, Language language);

}  // namespace klv
