#pragma once
// What Retrieve does with the text typed into the URL bar: the network schemes are used as typed,
// a local file address is refused, anything else is taken as a web address.

#include <optional>
#include <string>

#include "base/MessageBox.h"

namespace quillory {

struct UrlDecision {
    std::string url;                          // what to retrieve; empty when refused
    std::optional<MessageBoxRequest> refusal;  // the box to show instead of retrieving
};

// "http://", "https://", "ftp://" and "gopher://" in any letter case: the text as typed.
// "file://": refused with the "Info:" box. Anything else: "http://" and the text as typed.
UrlDecision normaliseUrl(const std::string& typed);

}  // namespace quillory
