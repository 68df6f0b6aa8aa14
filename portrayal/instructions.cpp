#include "instructions.h"

#include <algorithm>
#include <array>

namespace abys::portrayal {
namespace {

struct OpForm {
  Op op;
  std::string_view name;
  size_t minArgs;
  size_t maxArgs;
};

constexpr std::array<OpForm, 9> kOps{{
    {Op::AreaColour, "AC", 1, 2},
    {Op::AreaPattern, "AP", 1, 2},
    {Op::SimpleLine, "LS", 3, 3},
    {Op::ComplexLine, "LC", 1, 1},
    {Op::Symbol, "SY", 1, 2},
    {Op::Text, "TX", 9, 9},
    {Op::FormattedText, "TE", 10, 10},
    {Op::Procedure, "CS", 1, 1},
    {Op::LightSector, "SC", 4, 4},
}};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmedView(std::string_view text) {
  while (!text.empty() && isBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Parses "NAME(arg,...)" at text, which starts with the name, and leaves
// text after the closing parenthesis.
std::optional<Instruction> parseOne(std::string_view& text) {
  if (text.size() < 3 || text[2] != '(') return std::nullopt;
  const std::string_view name = text.substr(0, 2);
  const OpForm* form = nullptr;
  for (const OpForm& candidate : kOps) {
    if (candidate.name == name) form = &candidate;
  }
  if (form == nullptr) return std::nullopt;
  Instruction instruction{form->op, {}, 0};
  size_t at = 3;
  std::string arg;
  std::string quotedValue;  // of a quoted argument, once its quote closed
  bool quoted = false;
  bool inQuotes = false;
  for (;; ++at) {
    if (at >= text.size()) return std::nullopt;  // no closing parenthesis
    const char c = text[at];
    if (inQuotes) {
      if (c == '\'') {
        inQuotes = false;
        quotedValue = std::move(arg);
        arg.clear();
      } else {
        arg += c;
      }
      continue;
    }
    if (c == '\'') {
      if (quoted || !trimmedView(arg).empty()) return std::nullopt;  // a quote inside an argument
      inQuotes = quoted = true;
      arg.clear();
    } else if (c == ',' || c == ')') {
      if (instruction.args.size() >= 32) return std::nullopt;
      if (quoted) {
        if (!trimmedView(arg).empty()) return std::nullopt;  // text after the closing quote
        instruction.quoted |= uint32_t{1} << instruction.args.size();
        instruction.args.push_back(std::move(quotedValue));
      } else {
        instruction.args.emplace_back(trimmedView(arg));
      }
      arg.clear();
      quoted = false;
      if (c == ')') break;
    } else {
      arg += c;
    }
  }
  text.remove_prefix(at + 1);
  if (instruction.args.size() == 1 && instruction.args[0].empty() && !(instruction.quoted & 1)) {
    instruction.args.clear();
  }
  if (instruction.args.size() < form->minArgs || instruction.args.size() > form->maxArgs) {
    return std::nullopt;
  }
  return instruction;
}

}  // namespace

std::string_view opName(Op op) {
  for (const OpForm& form : kOps) {
    if (form.op == op) return form.name;
  }
  return {};
}

std::optional<std::vector<Instruction>> parseInstructions(std::string_view text) {
  std::vector<Instruction> instructions;
  text = trimmedView(text);
  while (!text.empty()) {
    std::optional<Instruction> instruction = parseOne(text);
    if (!instruction) return std::nullopt;
    instructions.push_back(std::move(*instruction));
    text = trimmedView(text);
    if (text.empty()) break;
    if (text.front() != ';') return std::nullopt;
    text = trimmedView(text.substr(1));
  }
  return instructions;
}

std::string formatInstructions(const std::vector<Instruction>& instructions) {
  std::string out;
  for (const Instruction& instruction : instructions) {
    if (!out.empty()) out += ';';
    out += opName(instruction.op);
    out += '(';
    // A symbol's body colours are the feature's, not written.
    const size_t count = instruction.op == Op::Symbol ? std::min<size_t>(2, instruction.args.size())
                                                      : instruction.args.size();
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) out += ',';
      const bool quoted = (instruction.quoted >> i) & 1;
      if (quoted) out += '\'';
      out += instruction.args[i];
      if (quoted) out += '\'';
    }
    out += ')';
  }
  return out;
}

}  // namespace abys::portrayal
