#include "change_text.h"

#include "code_pages.h"

#include <algorithm>

namespace {

// Bytes shown before the first highlighted part of a line that is cut.
constexpr std::size_t kLeadBytes = 64;

bool IsControl(char32_t c) {
    return (c < 0x20 && c != '\t') || (c >= 0x7F && c < 0xA0);
}

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

void AppendByte(QString& text, unsigned char byte) {
    static const char kHex[] = "0123456789ABCDEF";
    text += QLatin1String("\\x");
    text += QLatin1Char(kHex[byte >> 4]);
    text += QLatin1Char(kHex[byte & 15]);
}

void AppendCharacter(QString& text, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        text += QChar(QChar::highSurrogate(c));
        text += QChar(QChar::lowSurrogate(c));
    } else {
        text += QChar(static_cast<char16_t>(c));
    }
}

} // namespace

ShownText ShowLineBytes(std::string_view bytes, CodeMode code, const ByteSpans& spans,
                        std::size_t limit) {
    const bool utf8 = code == CodeMode::Utf8;
    std::size_t from = 0;
    std::size_t to = bytes.size();
    if (bytes.size() > limit) {
        const std::size_t first = spans.empty() ? 0 : spans.front().first;
        if (first + kLeadBytes > limit) {
            from = std::min(first - std::min(first, kLeadBytes), bytes.size() - limit);
        }
        to = from + limit;
        while (utf8 && from > 0 && IsContinuation(bytes[from])) {
            --from;
        }
        while (utf8 && to < bytes.size() && IsContinuation(bytes[to])) {
            ++to;
        }
    }
    ShownText shown;
    QString& text = shown.text;
    text.reserve(static_cast<qsizetype>(to - from + 4));
    if (from > 0) {
        text += QStringLiteral("… ");
    }
    // Where the character that holds each byte starts and ends in the text.
    std::vector<int> startOf(to - from);
    std::vector<int> endOf(to - from);
    for (std::size_t at = from; at < to;) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        const int start = static_cast<int>(text.size());
        std::size_t length = 1;
        char32_t c = 0;
        bool decoded = true;
        if (utf8) {
            int n = DecodeUtf8(bytes.substr(at, to - at), c);
            decoded = n > 0;
            length = decoded ? static_cast<std::size_t>(n) : 1;
        } else {
            c = code == CodeMode::Oem ? codepage::kOemToUnicode[byte]
                                      : codepage::kAnsiToUnicode[byte];
        }
        if (!decoded || IsControl(c)) {
            for (std::size_t i = 0; i < length; ++i) {
                AppendByte(text, static_cast<unsigned char>(bytes[at + i]));
            }
        } else {
            AppendCharacter(text, c);
        }
        for (std::size_t i = 0; i < length; ++i) {
            startOf[at - from + i] = start;
            endOf[at - from + i] = static_cast<int>(text.size());
        }
        at += length;
    }
    if (to < bytes.size()) {
        text += QStringLiteral(" …");
    }
    for (const auto& [begin, end] : spans) {
        const std::size_t b = std::max(begin, from);
        const std::size_t e = std::min(end, to);
        if (b >= e) {
            continue;
        }
        const int markBegin = startOf[b - from];
        const int markEnd = endOf[e - 1 - from];
        if (!shown.marks.empty() && shown.marks.back().second >= markBegin) {
            shown.marks.back().second = std::max(shown.marks.back().second, markEnd);
        } else {
            shown.marks.emplace_back(markBegin, markEnd);
        }
    }
    return shown;
}

QString LineEndName(std::string_view ending) {
    QString name;
    for (char c : ending) {
        if (!name.isEmpty()) {
            name += QLatin1Char(' ');
        }
        if (c == '\r') {
            name += QLatin1String("CR");
        } else if (c == '\n') {
            name += QLatin1String("LF");
        } else {
            AppendByte(name, static_cast<unsigned char>(c));
        }
    }
    return name;
}
