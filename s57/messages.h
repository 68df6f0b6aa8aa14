// The message sink through which loading and checking write their texts,
// and the formatter that keeps numbers locale-proof. Shared by every floor
// above the reader.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>

namespace abys {

// A printf-style message sink: a format and its arguments. Sinks that print
// use formatMessage so that numbers read the same in every locale.
using LogFn = std::function<void(const char* format, std::va_list args)>;
// Receives the fraction of the file read so far.
using ProgressFn = std::function<void(double fraction)>;

// Formats like vsnprintf in the "C" locale, whatever the process locale is
// (a decimal point in %f, whatever LC_NUMERIC says).
std::string formatMessage(const char* format, std::va_list args);
std::string formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes a message through log; does nothing when log is empty.
void logMessage(const LogFn& log, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Writes a fixed text through log as a format without arguments (so it must
// hold no conversion); does nothing when log is empty.
void logText(const LogFn& log, const char* text);

// A record's printable name: two letters for its kind (FE, VI, VC, VE, VF,
// two blanks for any other RCNM) and its RCID as a signed 32-bit number in
// "%010d"; at most 15 characters.
std::string recordName(uint8_t rcnm, uint32_t rcid);

}  // namespace abys
