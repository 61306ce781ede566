// The one error type of the component: an Automation error with number, source and
// description. The COM layer turns it into EXCEPINFO / IErrorInfo; nothing here knows COM.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvane {

class AutomationError : public std::runtime_error {
public:
    AutomationError(std::int32_t number, std::u16string source, std::u16string description);

    std::int32_t number() const { return number_; }
    const std::u16string &source() const { return source_; }
    const std::u16string &description() const { return description_; }

private:
    std::int32_t number_;
    std::u16string source_;
    std::u16string description_;
};

// Source given to errors of the platform's own (overflow, invalid argument, collection).
inline constexpr std::u16string_view kRuntimeSource = u"Quorvane";

// The platform's standard errors, raised where the runtime would raise them.
namespace runtime_error {
inline constexpr std::int32_t kInvalidArgument = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kDuplicateKey = 457;
} // namespace runtime_error

// Builds the platform's error `number` with its standard description.
AutomationError RuntimeError(std::int32_t number);

// The component's own errors: number 50000 + code, the source as given, and the detail as
// description, prefixed by "invalid date value." for code 1.
AutomationError ComponentError(std::int32_t code, std::u16string_view source,
                               std::u16string_view detail);

// Plain decimal, leading '-' when negative, no grouping.
std::u16string Decimal(std::int64_t value);

// Widens ASCII/UTF-8 text that holds only ASCII characters.
std::u16string Widen(std::string_view ascii);

} // namespace quorvane
