#include "FormatString.hpp"

#include <charconv>

namespace zem {

namespace {

void appendNumber(std::string& out, std::uint64_t value, int base, bool upper, bool zeroPad,
                  std::size_t width) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, base);
    std::string_view text(digits, static_cast<std::size_t>(end - digits));
    if (text.size() < width)
        out.append(width - text.size(), zeroPad ? '0' : ' ');
    for (char c : text)
        out.push_back(upper && c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c);
}

void appendText(std::string& out, std::string_view text, std::size_t width) {
    if (text.size() < width)
        out.append(width - text.size(), ' ');
    out.append(text);
}

// Reads a run of decimal digits at `i`, capped so that a hostile width cannot allocate.
std::size_t readNumber(std::string_view format, std::size_t& i) {
    std::size_t value = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        value = std::min<std::size_t>(value * 10 + static_cast<std::size_t>(format[i] - '0'), 4096);
        ++i;
    }
    return value;
}

} // namespace

std::string formatString(std::string_view format, std::span<const FormatArgument> arguments) {
    // Room for the texts and a number or two at once: one allocation per result.
    std::size_t room = format.size() + 24;
    for (const auto& argument : arguments)
        if (const auto* text = std::get_if<std::string_view>(&argument))
            room += text->size();
    std::string out;
    out.reserve(room);
    std::size_t nextArgument = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            auto next = format.find('%', i);
            auto end = next == std::string_view::npos ? format.size() : next;
            out.append(format.substr(i, end - i));
            i = end;
            continue;
        }
        const std::size_t start = i++;
        if (i < format.size() && format[i] == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        // Optional position "N$".
        std::size_t position = 0;
        bool positional = false;
        {
            std::size_t j = i;
            std::size_t n = readNumber(format, j);
            if (j > i && j < format.size() && format[j] == '$' && n > 0) {
                position = n - 1;
                positional = true;
                i = j + 1;
            }
        }
        bool zeroPad = false;
        while (i < format.size() && (format[i] == '0' || format[i] == '-' || format[i] == '+' ||
                                     format[i] == ' ' || format[i] == '#')) {
            zeroPad = zeroPad || format[i] == '0';
            ++i;
        }
        std::size_t width = readNumber(format, i);
        while (i < format.size() && (format[i] == 'l' || format[i] == 'h' || format[i] == 'q' ||
                                     format[i] == 'z' || format[i] == 'j' || format[i] == 't'))
            ++i;
        if (i >= format.size()) {
            out.append(format.substr(start));
            break;
        }
        const char conversion = format[i++];
        const bool numeric = conversion == 'u' || conversion == 'd' || conversion == 'i' ||
                             conversion == 'x' || conversion == 'X';
        const bool textual = conversion == '@' || conversion == 's';
        const std::size_t index = positional ? position : nextArgument++;
        if ((!numeric && !textual) || index >= arguments.size()) {
            out.append(format.substr(start, i - start));
            continue;
        }
        const FormatArgument& argument = arguments[index];
        if (const auto* number = std::get_if<std::uint64_t>(&argument)) {
            const int base = (conversion == 'x' || conversion == 'X') ? 16 : 10;
            appendNumber(out, *number, base, conversion == 'X', zeroPad, width);
        } else {
            appendText(out, std::get<std::string_view>(argument), width);
        }
    }
    return out;
}

} // namespace zem
