#include "formats/TextDecoding.h"

#include "platform/AttributedString.h"
#include "platform/Utf8.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

constexpr uint8_t Utf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr uint8_t Utf16LittleEndianMark[] = {0xFF, 0xFE};
constexpr uint8_t Utf16BigEndianMark[] = {0xFE, 0xFF};

template <size_t N> bool startsWith(const uint8_t* data, size_t size, const uint8_t (&mark)[N])
{
    return size >= N && std::memcmp(data, mark, N) == 0;
}

// Owns one conversion descriptor.
class Converter {
public:
    explicit Converter(const char* fromEncoding) : _descriptor(iconv_open("UTF-8", fromEncoding)) {}
    ~Converter()
    {
        if (valid()) iconv_close(_descriptor);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return _descriptor != reinterpret_cast<iconv_t>(-1); }

    // Nothing when any input byte is not part of a character of the source encoding.
    std::optional<std::string> convert(const uint8_t* data, size_t size)
    {
        if (!valid()) return std::nullopt;
        // Neither UTF-16 nor a single-byte encoding needs more than three output bytes per input
        // byte; the one conversion runs without growing the buffer.
        std::string output(size * 3 + 4, '\0');
        char* in = const_cast<char*>(reinterpret_cast<const char*>(data));
        size_t inLeft = size;
        char* out = output.data();
        size_t outLeft = output.size();
        if (iconv(_descriptor, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
        // A sequence cut off at the end stays in the input without an error.
        if (inLeft != 0) return std::nullopt;
        output.resize(output.size() - outLeft);
        return output;
    }

private:
    iconv_t _descriptor;
};

std::optional<std::string> convertFrom(const char* encoding, const uint8_t* data, size_t size)
{
    Converter converter(encoding);
    return converter.convert(data, size);
}

std::optional<std::string> acceptedText(std::optional<std::string> text)
{
    if (!text || text->find('\0') != std::string::npos) return std::nullopt;
    return text;
}

// Whether the non-ASCII characters of the text are mostly well-formed UTF-8. Windows-1252 text
// hardly ever forms a UTF-8 sequence by chance (a capital accented letter would have to stand
// right before a symbol), so even one sequence outweighs a stray byte that came from elsewhere.
bool isMostlyUtf8(std::string_view text)
{
    size_t wellFormed = 0;
    size_t stray = 0;
    for (size_t pos = 0; pos < text.size();) {
        const char32_t c = Utf8::decodeNext(text, pos);
        if (c == Utf8::Invalid) ++stray;
        else if (c >= 0x80) ++wellFormed;
    }
    return wellFormed > stray;
}

} // namespace

std::optional<std::string> decodeImportedText(const uint8_t* data, size_t size)
{
    if (!data) return std::nullopt;
    if (startsWith(data, size, Utf8Mark)) {
        std::string text(reinterpret_cast<const char*>(data) + sizeof(Utf8Mark), size - sizeof(Utf8Mark));
        if (!Utf8::isValid(text)) return std::nullopt;
        return acceptedText(std::move(text));
    }
    if (startsWith(data, size, Utf16LittleEndianMark))
        return acceptedText(
            convertFrom("UTF-16LE", data + sizeof(Utf16LittleEndianMark), size - sizeof(Utf16LittleEndianMark)));
    if (startsWith(data, size, Utf16BigEndianMark))
        return acceptedText(
            convertFrom("UTF-16BE", data + sizeof(Utf16BigEndianMark), size - sizeof(Utf16BigEndianMark)));
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (Utf8::isValid(bytes)) return acceptedText(std::string(bytes));
    if (isMostlyUtf8(bytes)) return acceptedText(makeValidUtf8(std::string(bytes)));
    return acceptedText(convertFrom("WINDOWS-1252", data, size));
}
