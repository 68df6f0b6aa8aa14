#include "messages.h"

#include <locale.h>

#include <cstdio>

#include "field_image.h"

namespace abys {

std::string formatMessage(const char* format, std::va_list args) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  const locale_t previous = uselocale(cLocale);
  std::va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length));
    std::vsnprintf(text.data(), text.size() + 1, format, args);
  }
  uselocale(previous);
  return text;
}

std::string formatMessage(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string text = formatMessage(format, args);
  va_end(args);
  return text;
}

namespace {

// Unchecked as a format: callers pass texts or formats they have checked.
void forward(const LogFn& log, const char* format, ...) {
  if (!log) return;
  std::va_list args;
  va_start(args, format);
  log(format, args);
  va_end(args);
}

}  // namespace

void logMessage(const LogFn& log, const char* format, ...) {
  if (!log) return;
  std::va_list args;
  va_start(args, format);
  log(format, args);
  va_end(args);
}

void logText(const LogFn& log, const char* text) {
  forward(log, text);
}

std::string recordName(uint8_t rcnm, uint32_t rcid) {
  const char* letters = "  ";
  switch (rcnm) {
    case kRcnmFeature:
      letters = "FE";
      break;
    case kRcnmIsolatedNode:
      letters = "VI";
      break;
    case kRcnmConnectedNode:
      letters = "VC";
      break;
    case kRcnmEdge:
      letters = "VE";
      break;
    case kRcnmFace:
      letters = "VF";
      break;
    default:
      break;
  }
  return formatMessage("%s%010d", letters, static_cast<int>(rcid));
}

}  // namespace abys
