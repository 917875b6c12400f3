// Build tool: writes the table of simple upper-case mappings used by the
// UTF-8 coding, taken from ICU. Only mappings that keep the UTF-8 length of
// the character are listed: folding never moves a byte offset.
#include <cstdio>
#include <unicode/uchar.h>

namespace {
int Utf8Length(UChar32 cp) {
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}
} // namespace

int main() {
    std::printf("// Generated at build time from ICU %s: code point -> simple upper case,\n",
                U_ICU_VERSION);
    std::printf("// for the characters whose upper case has the same UTF-8 length.\n");
    std::printf("static const CaseMapping kUpperCaseMappings[] = {\n");
    int count = 0;
    for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            continue;
        }
        UChar32 upper = u_toupper(cp);
        if (upper != cp && Utf8Length(upper) == Utf8Length(cp)) {
            std::printf("    {0x%04X, 0x%04X},\n", static_cast<unsigned>(cp),
                        static_cast<unsigned>(upper));
            ++count;
        }
    }
    std::printf("};\n// %d mappings\n", count);
    return 0;
}
