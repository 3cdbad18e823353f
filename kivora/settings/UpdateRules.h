#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivora::settings {

// The comparison rules of the update check, without any network: what a version file says, whether
// an item is newer, and the notice text. Plain code; any thread.

enum class UpdateItem { Firmware, Viewer, GpsData };

// A response is read up to this many bytes; the rest is never fetched.
inline constexpr std::size_t kMaxResponseBytes = 64 * 1024;

// The server paths of one item: its version file and its download page.
struct UpdatePaths {
    std::string versionFile;
    std::string page;
};

// The paths of the recorder family named by a model key ("Vireo_download", "Sorrel_download");
// nothing for any other key.
std::optional<UpdatePaths> firmwarePaths(std::string_view modelKey);
UpdatePaths viewerPaths();
UpdatePaths gpsDataPaths();

// The version text after the first "VER:" anywhere in the (bounded) body, up to the line end,
// without surrounding white space. Nothing when there is no marker or the text is not made of
// digits and dots only: a server text that is not a version is never shown.
std::optional<std::string> versionAfterMarker(std::string_view body);

// The whole body without surrounding white space, when it is exactly six digits.
std::optional<std::string> gpsVersionOf(std::string_view body);

// The text up to (not including) its third '.'; the whole text when it has fewer.
std::string cutAtThirdDot(std::string_view version);

// "230415" → "23/04/15"; nothing unless the text is six digits.
std::optional<std::string> formatGpsVersion(std::string_view sixDigits);

// One item that differs, with the texts as the notice shows them.
struct UpdateNoticeItem {
    UpdateItem item = UpdateItem::Viewer;
    std::string current;
    std::string available;
    std::string page; // the server path of the download page
};

// What the check has: the recorder's identity and the three bodies (nothing for an item that was
// not asked for or whose download failed).
struct UpdateInputs {
    std::string firmware; // "1.2.3", or empty
    std::string gps; // "230415", or empty
    std::string modelKey;
    std::optional<std::string> firmwareBody;
    std::optional<std::string> viewerBody;
    std::optional<std::string> gpsBody;
};

// The items that differ, in the order firmware, viewer, GPS data. An empty firmware or GPS input
// leaves that item out; so does a body without a usable version.
std::vector<UpdateNoticeItem> compareVersions(const UpdateInputs& inputs);

// The notice as rich text for the dialog: every text escaped, each item's link pointing at its
// download page on `baseUrl` (which the caller has checked to be http or https).
std::string noticeMarkup(const std::vector<UpdateNoticeItem>& items, std::string_view baseUrl);

// A base URL the check may use: http or https with a host; a trailing '/' is dropped. Nothing
// for anything else (no check then).
std::optional<std::string> usableBaseUrl(std::string_view text);

// True when `url` is one of the download pages on `baseUrl`: the only links the dialog opens.
bool isDownloadPage(std::string_view url, std::string_view baseUrl);

} // namespace kivora::settings
