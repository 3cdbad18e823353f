#include "kivora/ui/SkinCatalog.h"

#include <charconv>
#include <set>

namespace kivora::ui {

namespace {

std::vector<std::string_view> splitTabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

bool toInt(std::string_view s, int& out)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool toKind(std::string_view s, SkinKind& out)
{
    if (s == "bitmap")
        out = SkinKind::Bitmap;
    else if (s == "png")
        out = SkinKind::Png;
    else if (s == "icon")
        out = SkinKind::Icon;
    else if (s == "cursor")
        out = SkinKind::Cursor;
    else if (s == "mask")
        out = SkinKind::Mask;
    else
        return false;
    return true;
}

bool toKey(std::string_view s, SkinKey& out)
{
    if (s == "none")
        out = SkinKey::None;
    else if (s == "black")
        out = SkinKey::Black;
    else if (s == "white")
        out = SkinKey::White;
    else
        return false;
    return true;
}

} // namespace

std::vector<SkinEntry> parseSkinCatalog(std::string_view text, std::string* error)
{
    std::vector<SkinEntry> entries;
    std::set<int> seen;
    bool headerSeen = false;
    int lineNo = 0;
    auto fail = [&](const char* what) {
        if (error)
            *error = "skin catalogue line " + std::to_string(lineNo) + ": " + what;
        return std::vector<SkinEntry>{};
    };
    while (!text.empty()) {
        ++lineNo;
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (!headerSeen) {
            headerSeen = true;
            continue;
        }
        const auto f = splitTabs(line);
        if (f.size() != 7)
            return fail("expected 7 tab-separated fields");
        SkinEntry e;
        if (!toInt(f[0], e.id) || !toKind(f[1], e.kind) || !toInt(f[2], e.width) || !toInt(f[3], e.height)
            || !toInt(f[4], e.frames) || !toKey(f[5], e.background))
            return fail("bad field");
        if (e.width <= 0 || e.height <= 0 || e.frames <= 0 || e.width % e.frames != 0)
            return fail("size does not split into its frames");
        if (!seen.insert(e.id).second)
            return fail("duplicate id");
        e.role = std::string(f[6]);
        entries.push_back(std::move(e));
    }
    return entries;
}

} // namespace kivora::ui
