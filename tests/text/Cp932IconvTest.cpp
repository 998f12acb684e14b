// glibc's iconv "CP932" as a second oracle, written apart from our table: on every sequence that
// both convert, they agree.

#include "Cp932Codec.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstddef>
#include <optional>
#include <string>

namespace {

class Iconv
{
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (Valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // The whole of `in` converted, or nothing when iconv refuses any of it.
    std::optional<std::string> operator()(const std::string& in) const
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string out(16 + 4 * in.size(), '\0');
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        const auto failed = static_cast<std::size_t>(-1);
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == failed ||
            iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft) == failed)
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t m_cd;
};

std::string Utf16Le(const std::u16string& text)
{
    std::string out;
    for (const char16_t u : text) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

// Every one- and two-byte sequence that iconv decodes decodes to the same characters here. The
// ones iconv refuses (a lead byte without a mapped trail, 0x80, 0xA0, 0xFD-0xFF) we decode to
// private-use code points so that nothing is lost; they are left out.
TEST(Cp932Iconv, DecodingAgrees)
{
    const Iconv decode("UTF-16LE", "CP932");
    ASSERT_TRUE(decode.Valid()) << "glibc's CP932 converter is missing";
    int compared = 0;
    for (int first = 0; first < 256; ++first) {
        for (int second = -1; second < 256; ++second) {
            std::string bytes(1, static_cast<char>(first));
            if (second >= 0)
                bytes.push_back(static_cast<char>(second));
            const std::optional<std::string> theirs = decode(bytes);
            if (!theirs)
                continue;
            ++compared;
            ASSERT_EQ(Utf16Le(Cp932ToUtf16(bytes)), *theirs) << std::hex << first << ' ' << second;
        }
    }
    EXPECT_GT(compared, 40000); // about 46,000: not a vacuous walk
}

// Every BMP character that iconv encodes encodes to the same bytes here, except where glibc
// writes a look-alike ASCII byte for a character the code page lacks: U+00A5 YEN SIGN as 0x5C and
// U+203E OVERLINE as 0x7E; Windows and we write "?" for those. The characters iconv refuses (our
// stray-byte code points, the Linux input-method forms) are left out.
TEST(Cp932Iconv, EncodingAgrees)
{
    const Iconv encode("CP932", "UTF-16LE");
    ASSERT_TRUE(encode.Valid()) << "glibc's CP932 converter is missing";
    int compared = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if ((c >= 0xD800 && c <= 0xDFFF) || c == 0x00A5 || c == 0x203E)
            continue;
        const std::u16string text(1, static_cast<char16_t>(c));
        const std::optional<std::string> theirs = encode(Utf16Le(text));
        if (!theirs)
            continue;
        ++compared;
        ASSERT_EQ(Utf16ToCp932(text), *theirs) << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_GT(compared, 9000);
}

} // namespace
