#include "automation_error.h"

namespace quorvane {

namespace {

std::string Narrow(const std::u16string &text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::u16string_view RuntimeDescription(std::int32_t number) {
    switch (number) {
    case runtime_error::kInvalidArgument:
        return u"Invalid procedure call or argument";
    case runtime_error::kOverflow:
        return u"Overflow";
    case runtime_error::kSubscriptOutOfRange:
        return u"Subscript out of range";
    case runtime_error::kDuplicateKey:
        return u"This key is already associated with an element of this collection";
    default:
        return u"Application-defined or object-defined error";
    }
}

} // namespace

AutomationError::AutomationError(std::int32_t number, std::u16string source,
                                 std::u16string description)
    : std::runtime_error("Automation error " + std::to_string(number) + ": " +
                         Narrow(description)),
      number_(number), source_(std::move(source)), description_(std::move(description)) {}

AutomationError RuntimeError(std::int32_t number) {
    return AutomationError(number, std::u16string(kRuntimeSource),
                           std::u16string(RuntimeDescription(number)));
}

AutomationError ComponentError(std::int32_t code, std::u16string_view source,
                               std::u16string_view detail) {
    std::u16string description = code == 1 ? u"invalid date value." : u"";
    description += detail;
    return AutomationError(50000 + code, std::u16string(source), std::move(description));
}

std::u16string Decimal(std::int64_t value) { return Widen(std::to_string(value)); }

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

} // namespace quorvane
