#include "record/encoding.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <utility>

namespace {

// One conversion descriptor for one call; closed however the call ends.
class Converter {
public:
    Converter(const char *to, const char *from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(handle_);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input; false on any byte sequence the conversion refuses or cuts short.
    bool convert(std::string_view input, std::string &output) {
        output.clear();
        // Every CP932 character becomes at most three UTF-8 bytes and vice versa at most two, so
        // one pass with room for three bytes per input byte never runs out of space.
        output.resize(input.size() * 3 + 4);
        char *in = const_cast<char *>(input.data());
        std::size_t inLeft = input.size();
        char *out = output.data();
        std::size_t outLeft = output.size();
        while (inLeft > 0) {
            if (iconv(handle_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
                if (errno != E2BIG) return false;
                const std::size_t used = output.size() - outLeft;
                output.resize(output.size() * 2);
                out = output.data() + used;
                outLeft = output.size() - used;
            }
        }
        // Flushes any pending shift state; CP932 has none, but the call is cheap.
        if (iconv(handle_, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) return false;
        output.resize(output.size() - outLeft);
        return true;
    }

private:
    iconv_t handle_;
};

// The JIS code points whose CP932 byte pair iconv decodes to another code point.
constexpr std::array<std::pair<char32_t, char32_t>, 7> CP932_SUBSTITUTES = {{
    {U'\u301C', U'\uFF5E'},  // wave dash → full-width tilde
    {U'\u2016', U'\u2225'},  // double vertical line → parallel to
    {U'\u2212', U'\uFF0D'},  // minus sign → full-width hyphen-minus
    {U'\u00A2', U'\uFFE0'},  // cent sign
    {U'\u00A3', U'\uFFE1'},  // pound sign
    {U'\u00AC', U'\uFFE2'},  // not sign
    {U'\u2014', U'\u2015'},  // em dash → horizontal bar
}};

void appendUtf8(std::string &text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The text with the substitutes above put in; unchanged (and not copied) when it holds none.
bool substituteJisForms(std::string_view utf8, std::string &replaced) {
    bool any = false;
    for (std::size_t i = 0; i < utf8.size();) {
        // The caller has checked the text, so every character is whole; a byte at a time otherwise.
        const Utf8Char at = wellFormedUtf8At(utf8, i);
        const char32_t c = at.code;
        const std::size_t length = at.length == 0 ? 1 : at.length;
        bool substituted = false;
        for (const auto &[jis, cp932] : CP932_SUBSTITUTES) {
            if (c != jis) continue;
            if (!any) replaced.assign(utf8.substr(0, i));
            any = substituted = true;
            appendUtf8(replaced, cp932);
        }
        if (any && !substituted) replaced.append(utf8.substr(i, length));
        i += length;
    }
    return any;
}

}  // namespace

bool decodeCp932(std::string_view bytes, std::string &utf8) {
    Converter converter("UTF-8", "CP932");
    std::string decoded;
    if (!converter.valid() || !converter.convert(bytes, decoded)) return false;
    utf8 = std::move(decoded);
    return true;
}

bool encodeCp932(std::string_view utf8, std::string &bytes) {
    if (!isUtf8(utf8)) return false;
    std::string replaced;
    const std::string_view source = substituteJisForms(utf8, replaced) ? std::string_view(replaced) : utf8;
    Converter converter("CP932", "UTF-8");
    std::string encoded;
    if (!converter.valid() || !converter.convert(source, encoded)) return false;
    bytes = std::move(encoded);
    return true;
}
