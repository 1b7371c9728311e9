#include "ZEMDateFormatter.hpp"

#include <map>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace zem {

struct ZEMDateFormatter::Impl {
    std::unique_ptr<icu::SimpleDateFormat> format;
};

namespace {

// ICU settles the default time zone and locale on first use and nothing in this process
// changes them afterwards, so a formatter per pattern and thread behaves exactly like a
// new one. The last one used is checked first: a walk asks for the same pattern again.
ZEMDateFormatter::Impl* cachedFormatter(std::string_view pattern) {
    thread_local std::map<std::string, std::unique_ptr<ZEMDateFormatter::Impl>, std::less<>> cache;
    thread_local const std::pair<const std::string, std::unique_ptr<ZEMDateFormatter::Impl>>* last =
        nullptr;
    if (last && last->first == pattern)
        return last->second.get();
    auto it = cache.find(pattern);
    if (it == cache.end())
        it = cache.emplace(std::string(pattern), nullptr).first;
    last = &*it;
    auto& slot = it->second;
    const icu::Locale& locale = icu::Locale::getDefault();
    if (!slot) {
        slot = std::make_unique<ZEMDateFormatter::Impl>();
        UErrorCode status = U_ZERO_ERROR;
        auto format = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString::fromUTF8(
                icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size()))),
            locale, status);
        if (U_SUCCESS(status))
            slot->format = std::move(format);
    }
    return slot.get();
}

} // namespace

ZEMDateFormatter::ZEMDateFormatter(std::string_view pattern) : impl_(cachedFormatter(pattern)) {}
ZEMDateFormatter::~ZEMDateFormatter() = default;
ZEMDateFormatter::ZEMDateFormatter(ZEMDateFormatter&&) noexcept = default;
ZEMDateFormatter& ZEMDateFormatter::operator=(ZEMDateFormatter&&) noexcept = default;

std::string ZEMDateFormatter::stringFromDate(double secondsSince1970) const {
    if (!impl_->format)
        return {};
    icu::UnicodeString text;
    impl_->format->format(secondsSince1970 * 1000.0, text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::optional<double> ZEMDateFormatter::dateFromString(std::string_view text) const {
    if (!impl_->format)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    icu::ParsePosition position(0);
    auto input = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    UDate date = impl_->format->parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length() || U_FAILURE(status))
        return std::nullopt;
    return date / 1000.0;
}

} // namespace zem
