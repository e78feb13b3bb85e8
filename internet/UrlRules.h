#pragma once
// What Retrieve does with the text typed or pasted into the URL bar: blanks around it go, the
// network schemes are used as typed, a local file address is refused, anything else is taken as a
// web address; blanks and non-ASCII characters after the host are percent-encoded as UTF-8.

#include <optional>
#include <string>

#include "base/MessageBox.h"

namespace quillory {

struct UrlDecision {
    std::string url;                           // what to retrieve; empty when refused
    std::optional<MessageBoxRequest> refusal;  // the box to show instead of retrieving
};

// Leading and trailing blanks (spaces, tabs, line breaks) are dropped first. Then
// "http://", "https://", "ftp://" and "gopher://" in any letter case: the text as typed.
// "file://": refused with the "Info:" box. Anything else: "http://" and the text as typed.
// Finally every byte of the path, query or fragment that is a blank, a control character or not
// ASCII becomes %XX; the host is left to libcurl (an international name is converted there).
UrlDecision normaliseUrl(const std::string& typed);

// The text with A-Z folded to a-z and every other byte as it is, whatever the locale (schemes and
// header names are ASCII, so no other byte may read as one).
std::string asciiLower(std::string text);

// The text without leading and trailing blanks (space, tab, line feed, carriage return, vertical
// tab, form feed).
std::string trimBlanks(const std::string& text);

// Percent-encodes, after the scheme and host of url, each byte that is a blank, a control
// character or not ASCII ("%20", "%C3%A9"); everything else, '%' included, stays as it is.
std::string percentEncodeAfterHost(const std::string& url);

}  // namespace quillory
