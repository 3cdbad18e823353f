#include "kivora/settings/UpdateRules.h"

#include "kivora/settings/ViewerVersion.h"
#include "kivora/ui/UiText.h"

#include <algorithm>

namespace kivora::settings {

namespace {

constexpr std::string_view kSpace = " \t\r\n\v\f";

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) + 1 - first);
}

bool allOf(std::string_view text, bool dotsToo)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [dotsToo](char c) {
        return (c >= '0' && c <= '9') || (dotsToo && c == '.');
    });
}

bool isSixDigits(std::string_view text)
{
    return text.size() == 6 && allOf(text, false);
}

std::string escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Escapes a table text and turns its line ends into breaks.
std::string markupOf(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "<br>";
            ++i;
        } else if (text[i] == '\n') {
            out += "<br>";
        } else {
            out += escaped(text.substr(i, 1));
        }
    }
    return out;
}

int nameSlot(UpdateItem item)
{
    switch (item) {
    case UpdateItem::Firmware:
        return 108;
    case UpdateItem::Viewer:
        return 110;
    case UpdateItem::GpsData:
        return 111;
    }
    return 110;
}

const std::vector<std::string>& allPages()
{
    static const std::vector<std::string> pages {
        firmwarePaths("Vireo_download")->page,
        firmwarePaths("Sorrel_download")->page,
        viewerPaths().page,
        gpsDataPaths().page,
    };
    return pages;
}

} // namespace

std::optional<UpdatePaths> firmwarePaths(std::string_view modelKey)
{
    if (modelKey == "Vireo_download")
        return UpdatePaths { "/updates/recorder/vireo/vireo_sw_version.txt",
            "/updates/recorder/vireo/vireo.html" };
    if (modelKey == "Sorrel_download")
        return UpdatePaths { "/updates/recorder/sorrel/sorrel_sw_version.txt",
            "/updates/recorder/sorrel/sorrel.html" };
    return std::nullopt;
}

UpdatePaths viewerPaths()
{
    return { "/updates/viewer/Ondrasil/Ondrasil_version.txt", "/updates/viewer/Ondrasil/viewer.html" };
}

UpdatePaths gpsDataPaths()
{
    return { "/updates/gpsdata/gps_01.txt", "/updates/gpsdata/gps_01.html" };
}

std::optional<std::string> versionAfterMarker(std::string_view body)
{
    body = body.substr(0, std::min(body.size(), kMaxResponseBytes));
    const auto marker = body.find("VER:");
    if (marker == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = body.substr(marker + 4);
    rest = rest.substr(0, rest.find_first_of("\r\n"));
    rest = trimmed(rest);
    if (!allOf(rest, true))
        return std::nullopt;
    return std::string(rest);
}

std::optional<std::string> gpsVersionOf(std::string_view body)
{
    const std::string_view text = trimmed(body.substr(0, std::min(body.size(), kMaxResponseBytes)));
    if (!isSixDigits(text))
        return std::nullopt;
    return std::string(text);
}

std::string cutAtThirdDot(std::string_view version)
{
    std::size_t dots = 0;
    for (std::size_t i = 0; i < version.size(); ++i)
        if (version[i] == '.' && ++dots == 3)
            return std::string(version.substr(0, i));
    return std::string(version);
}

std::optional<std::string> formatGpsVersion(std::string_view sixDigits)
{
    if (!isSixDigits(sixDigits))
        return std::nullopt;
    std::string out(sixDigits.substr(0, 2));
    out += '/';
    out += sixDigits.substr(2, 2);
    out += '/';
    out += sixDigits.substr(4, 2);
    return out;
}

std::vector<UpdateNoticeItem> compareVersions(const UpdateInputs& in)
{
    std::vector<UpdateNoticeItem> items;
    const auto firmware = firmwarePaths(in.modelKey);
    const std::string_view recorder = trimmed(in.firmware);
    if (firmware && in.firmwareBody && allOf(recorder, true)) {
        if (const auto server = versionAfterMarker(*in.firmwareBody)) {
            const std::string available = cutAtThirdDot(*server);
            const std::string current = cutAtThirdDot(recorder);
            if (available != current)
                items.push_back({ UpdateItem::Firmware, current + ".0", available + ".0", firmware->page });
        }
    }
    if (in.viewerBody) {
        // Compared without the line end a version file usually ends with.
        if (const auto server = versionAfterMarker(*in.viewerBody); server && *server != kViewerVersion)
            items.push_back({ UpdateItem::Viewer, std::string(kViewerVersion), *server, viewerPaths().page });
    }
    const std::string_view card = trimmed(in.gps);
    if (in.gpsBody && isSixDigits(card)) {
        if (const auto server = gpsVersionOf(*in.gpsBody)) {
            const auto current = formatGpsVersion(card);
            const auto available = formatGpsVersion(*server);
            if (current && available && *current != *available)
                items.push_back({ UpdateItem::GpsData, *current, *available, gpsDataPaths().page });
        }
    }
    return items;
}

std::string noticeMarkup(const std::vector<UpdateNoticeItem>& items, std::string_view baseUrl)
{
    if (items.empty())
        return {};
    std::string out = markupOf(ui::UiText(105));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        if (i > 0)
            out += "<br><br><br>";
        const std::string url = escaped(std::string(baseUrl) + item.page);
        out += "<br><br>";
        out += markupOf(ui::UiText(nameSlot(item.item)));
        out += ":<br>";
        out += markupOf(ui::UiText(107));
        out += escaped(item.current);
        out += "&nbsp;&nbsp;&nbsp;\u2192&nbsp;&nbsp;&nbsp;";
        out += markupOf(ui::UiText(109));
        out += escaped(item.available);
        out += "<br><br>URL : <a href=\"" + url + "\">" + url + "</a>";
    }
    return out;
}

std::optional<std::string> usableBaseUrl(std::string_view text)
{
    text = trimmed(text);
    std::string_view scheme;
    if (text.substr(0, 7) == "http://")
        scheme = text.substr(0, 7);
    else if (text.substr(0, 8) == "https://")
        scheme = text.substr(0, 8);
    else
        return std::nullopt;
    std::string_view rest = text.substr(scheme.size());
    while (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    const bool hostOk
        = !rest.empty() && rest.front() != '/' && std::none_of(rest.begin(), rest.end(), [](char c) {
              return c <= ' ' || c == '"' || c == '<' || c == '>' || c == '\\' || c == '?' || c == '#'
                  || c == '\x7f';
          });
    if (!hostOk)
        return std::nullopt;
    return std::string(scheme) + std::string(rest);
}

bool isDownloadPage(std::string_view url, std::string_view baseUrl)
{
    return std::any_of(allPages().begin(), allPages().end(),
        [&](const std::string& page) { return url == std::string(baseUrl) + page; });
}

} // namespace kivora::settings
