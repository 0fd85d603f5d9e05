#pragma once
// The small routines the client shares: cleaning of texts that arrive from
// servers before they reach an HTML view, colour conversions, mic state
// names, emoticon pictures in chat text, address conversions, the machine
// identity and the text scrambler of the media transport. Texts are UTF-8.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel {

// ---- Plain text

// ASCII letters compared without case; every other byte as it is (the
// level, gift-category and file names of the catalogues, chat's <BR>).
bool SameText(std::string_view a, std::string_view b);

// The local time of day as "hh:mm:ss", as chat lines carry it.
std::string LocalClockText();

// ---- Texts from servers

// Drops every '<' and '>' and keeps only what comes before the first CR LF.
std::string CleanNickname(std::string_view text);
// Drops every tag span (a '<' up to the next '>' after it), then every CR LF.
std::string StripTags(std::string_view text);
// Drops every tag span, then keeps only what comes before the first CR LF.
std::string StripTagsFirstLine(std::string_view text);
// Text for an HTML view or attribute: & " < > become their entities, so
// that nothing a server or a user sent can open markup.
std::string EscapeHtml(std::string_view text);
// Drops every CR LF pair.
std::string RemoveLineBreaks(std::string_view text);

// ---- Colours: red in the low byte, then green, then blue; the top byte is
// not part of the colour.

// "#RRGGBB" in upper-case hexadecimal.
std::string ColorToHtml(uint32_t color);
// The reverse of ColorToHtml: "#RRGGBB" (any hexadecimal after '#') or a
// decimal number; 0 for anything else.
uint32_t HtmlToColor(std::string_view text);

// ---- Addresses

// Dotted text of an IPv4 address in network byte order.
std::string AddressToText(uint32_t ip_net);
// The first IPv4 address of a host name or dotted text, network byte order;
// 0 when it does not resolve.
uint32_t ResolveHost(std::string_view host);

// ---- Mic states

// Puts the display name of a mic state (0..6) into `name` and returns true;
// any other value leaves `name` unchanged and returns false.
bool MicStateName(int32_t state, std::string& name);

// ---- Emoticons

// Where the emoticon catalogue keeps the full-size picture of an emoticon.
class IEmotionLookup {
public:
    virtual ~IEmotionLookup() = default;
    // The picture path of the emoticon with this 32-character id, or
    // nullopt when the catalogue does not hold it.
    virtual std::optional<std::string> FullPicturePath(std::string_view id) const = 0;
};

// Replaces every emoticon code ("{" + 32 letters or digits + "}") whose
// emoticon is catalogued and whose picture file exists on disk by
// <IMG src="path">. Codes without a usable picture stay as they are.
std::string ReplaceEmotionCodes(std::string_view text, const IEmotionLookup& emotions);

// ---- Machine identity

// The first network adapter's hardware address as 12 upper-case
// hexadecimal digits; empty when the machine has none.
std::string GetAdapterAddress();

// ---- Text scrambler of the media ticket

// Two hexadecimal digits of a random start value, then two per byte of
// `text`; the same text scrambles differently each time.
std::string ScrambleText(std::string_view text);
// The same with a given start value (for the peer that checks it, and for
// tests).
std::string ScrambleText(std::string_view text, uint8_t start);
// Undoes ScrambleText; nullopt when `scrambled` is not such a text. The
// scrambler works modulo 255, so a byte 255 comes back as 0 (the media
// ticket is decimal text and never holds one).
std::optional<std::string> UnscrambleText(std::string_view scrambled);

} // namespace kel
