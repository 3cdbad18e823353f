#include "kivora/export/BundleVerify.h"

#include "kivora/export/EvidenceBundle.h"
#include "kivora/export/Sha256.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <system_error>

namespace kivora::exporting {

namespace fs = std::filesystem;

namespace {

using Digests = std::map<std::string, std::string>; // relative path -> hex digest

bool isHexDigest(const std::string& text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

// The lines "HASH  path"; none when a line is not of that form (the file was damaged).
std::optional<Digests> readSums(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    Digests digests;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 67 || line.compare(64, 2, "  ") != 0 || !isHexDigest(line.substr(0, 64)))
            return std::nullopt;
        if (!digests.emplace(line.substr(66), line.substr(0, 64)).second)
            return std::nullopt;
    }
    return digests;
}

std::optional<Digests> readManifest(const fs::path& path)
{
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (!doc.isObject())
        return std::nullopt;
    Digests digests;
    for (const QJsonValue& v : doc.object().value("files").toArray()) {
        const QJsonObject f = v.toObject();
        digests[f.value("path").toString().toStdString()] = f.value("sha256").toString().toStdString();
    }
    return digests;
}

} // namespace

BundleCheck VerifyBundle(const fs::path& bundle)
{
    BundleCheck check;
    std::error_code ec;
    if (!fs::is_directory(bundle, ec)) {
        check.error = bundle.string() + " is not a folder";
        return check;
    }
    // Every entry present, with its digest; none for what is not a plain file. A bundle is written
    // as plain files only: a link may lead out of the bundle, and a pipe or a device would never
    // end its read. Names are taken relative to the folder as given (fs::relative follows links).
    std::map<std::string, std::string> actual;
    const fs::path root = bundle.has_filename() ? bundle : bundle.parent_path();
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code gone;
        const fs::file_status status = it->symlink_status(gone);
        if (gone || fs::is_directory(status))
            continue;
        const std::string relative = it->path().lexically_relative(root).generic_string();
        std::string error;
        actual[relative] = fs::is_regular_file(status)
            ? Sha256OfFile(it->path(), error).value_or(std::string())
            : std::string();
    }
    if (ec) {
        check.error = "cannot list " + bundle.string() + ": " + ec.message();
        return check;
    }

    const auto plain = [&](const char* name) {
        const auto found = actual.find(name);
        return found != actual.end() && !found->second.empty();
    };
    const std::optional<Digests> sums
        = plain(kSumsFileName) ? readSums(bundle / kSumsFileName) : std::nullopt;
    const std::optional<Digests> manifest
        = plain(kManifestFileName) ? readManifest(bundle / kManifestFileName) : std::nullopt;
    const bool sumsPresent = actual.count(kSumsFileName) > 0;
    const auto manifestListed = sums ? sums->find(kManifestFileName) : Digests::const_iterator {};
    const bool manifestIntact = sums && manifest && manifestListed != sums->end()
        && actual[kManifestFileName] == manifestListed->second;
    Digests expected;
    bool sumsChanged = sumsPresent && !sums;
    if (manifestIntact) {
        expected = *manifest;
        expected[kManifestFileName] = actual[kManifestFileName];
        sumsChanged = sumsChanged || expected != *sums;
    } else if (sums) {
        expected = *sums;
    } else if (manifest && !sumsPresent) {
        // Without SHA256SUMS the manifest is all there is; its own digest cannot be checked.
        expected = *manifest;
        expected[kManifestFileName] = actual[kManifestFileName];
    } else {
        check.error = sumsPresent
            ? std::string(kSumsFileName) + " and " + kManifestFileName + " are both damaged"
            : std::string("neither ") + kSumsFileName + " nor " + kManifestFileName + " can be read";
        return check;
    }
    if (!sumsPresent)
        check.missing.push_back(kSumsFileName);
    if (sumsChanged)
        check.changed.push_back(kSumsFileName);

    for (const auto& [path, digest] : expected) {
        const auto found = actual.find(path);
        if (found == actual.end())
            check.missing.push_back(path);
        else if (found->second != digest)
            check.changed.push_back(path);
    }
    for (const auto& [path, digest] : actual)
        if (path != kSumsFileName && !expected.count(path))
            check.extra.push_back(path);
    check.ok = check.changed.empty() && check.missing.empty() && check.extra.empty();
    return check;
}

} // namespace kivora::exporting
