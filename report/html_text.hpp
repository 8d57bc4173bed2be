#pragma once
#include <string>
#include <string_view>

namespace chpimport::report {

// Text from project files as the page may show it: valid UTF-8 stays, any other byte is
// taken as Latin-1 (names typed on Windows), control characters become "?", and the
// characters that mean markup ("<", ">", "&", quotes) become references. Safe in element
// content and in quoted attribute values alike.
std::string EscapeHtml(std::string_view text);

// A relative path ("/" between its parts) as a URL path: every byte but letters, digits,
// "/" and "-._~" percent-encoded, so that "#", "?", "%" and blanks in file names link to
// the file itself.
std::string EncodeUrlPath(std::string_view path);

// The path of `target` relative to the folder `fromFolder` (both narrow text, see
// native_path.hpp) in UTF-8, with "/" between its parts, as a link needs it; "" when there
// is none (different drives).
std::string RelativePath(const std::string& fromFolder, const std::string& target);

} // namespace chpimport::report
