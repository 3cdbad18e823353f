#include "kivora/export/StillWriter.h"

#include "kivora/platform/AtomicWrite.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetrySample.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <exiv2/exiv2.hpp>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace kivora::exporting {

namespace fs = std::filesystem;

namespace {

// Adds milliseconds to a broken-down local time. The fields are treated as if they were UTC, so
// the calendar arithmetic never meets a daylight-saving gap.
recording::SystemTime addMilliseconds(const recording::SystemTime& t, std::int64_t ms)
{
    std::tm tm {};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    const std::int64_t total = std::int64_t(t.milliseconds) + ms;
    const std::time_t seconds = ::timegm(&tm) + std::time_t(total / 1000);
    std::tm out {};
    ::gmtime_r(&seconds, &out);
    recording::SystemTime r;
    r.year = std::uint16_t(out.tm_year + 1900);
    r.month = std::uint16_t(out.tm_mon + 1);
    r.day = std::uint16_t(out.tm_mday);
    r.dayOfWeek = std::uint16_t(out.tm_wday);
    r.hour = std::uint16_t(out.tm_hour);
    r.minute = std::uint16_t(out.tm_min);
    r.second = std::uint16_t(out.tm_sec);
    r.milliseconds = std::uint16_t(total % 1000);
    return r;
}

std::string exifTime(const recording::SystemTime& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", unsigned(t.year), unsigned(t.month),
        unsigned(t.day), unsigned(t.hour), unsigned(t.minute), unsigned(t.second));
    return text;
}

// Degrees, minutes and seconds in thousandths, as EXIF's three rationals.
std::string exifDegrees(double value)
{
    value = std::fabs(value);
    const auto degrees = static_cast<long>(value);
    const double minutesAll = (value - double(degrees)) * 60.0;
    const auto minutes = static_cast<long>(minutesAll);
    const auto milliSeconds = std::lround((minutesAll - double(minutes)) * 60.0 * 1000.0);
    char text[64];
    std::snprintf(text, sizeof text, "%ld/1 %ld/1 %ld/1000", degrees, minutes, milliSeconds);
    return text;
}

} // namespace

StillStamp StampForFrame(
    const fs::path& recording, std::int64_t frame, double framePeriodMs, const recording::GpsSample* gps)
{
    StillStamp stamp;
    stamp.description = recording.filename().string() + " frame " + std::to_string(frame);
    if (gps && gps->dateTime.year != 0) {
        stamp.time = gps->dateTime;
    } else {
        const recording::SystemTime start = recording::NameDateTime(recording);
        if (start.year > 1970)
            stamp.time = addMilliseconds(start, std::llround(double(frame) * framePeriodMs));
    }
    if (gps && gps->valid == 1 && gps->latitude != recording::kNoPosition
        && gps->longitude != recording::kNoPosition && std::fabs(gps->latitude) <= 90.0
        && std::fabs(gps->longitude) <= 180.0) {
        stamp.hasFix = true;
        stamp.latitude = gps->latitude;
        stamp.longitude = gps->longitude;
        if (gps->speed != recording::kNoSpeed && gps->speed >= 0.0)
            stamp.speedKmh = gps->speed;
    }
    return stamp;
}

bool WriteStill(
    const QImage& image, const fs::path& path, const StillStamp& stamp, int quality, std::string& error)
{
    if (image.isNull()) {
        error = "no picture to save";
        return false;
    }
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "JPG", quality)) {
            error = "the picture cannot be encoded as JPEG";
            return false;
        }
    }
    std::string bytes;
    try {
        auto still = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(jpeg.constData()), static_cast<long>(jpeg.size()));
        Exiv2::ExifData exif;
        exif["Exif.Image.Software"] = std::string("kivora " KIVORA_VERSION_TEXT);
        exif["Exif.Image.ImageDescription"] = stamp.description;
        if (stamp.time.year != 0) {
            const std::string when = exifTime(stamp.time);
            exif["Exif.Image.DateTime"] = when;
            exif["Exif.Photo.DateTimeOriginal"] = when;
            exif["Exif.Photo.DateTimeDigitized"] = when;
            char ms[8];
            std::snprintf(ms, sizeof ms, "%03u", unsigned(stamp.time.milliseconds % 1000));
            exif["Exif.Photo.SubSecTimeOriginal"] = std::string(ms);
        }
        if (stamp.hasFix) {
            auto version = Exiv2::Value::create(Exiv2::unsignedByte);
            version->read("2 3 0 0");
            exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSVersionID"), version.get());
            exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string(stamp.latitude < 0 ? "S" : "N");
            exif["Exif.GPSInfo.GPSLatitude"] = Exiv2::URationalValue();
            exif["Exif.GPSInfo.GPSLatitude"].setValue(exifDegrees(stamp.latitude));
            exif["Exif.GPSInfo.GPSLongitudeRef"] = std::string(stamp.longitude < 0 ? "W" : "E");
            exif["Exif.GPSInfo.GPSLongitude"] = Exiv2::URationalValue();
            exif["Exif.GPSInfo.GPSLongitude"].setValue(exifDegrees(stamp.longitude));
            exif["Exif.GPSInfo.GPSMapDatum"] = std::string("WGS-84");
            if (stamp.speedKmh) {
                exif["Exif.GPSInfo.GPSSpeedRef"] = std::string("K");
                exif["Exif.GPSInfo.GPSSpeed"] = Exiv2::URational(std::lround(*stamp.speedKmh * 100.0), 100);
            }
        }
        still->setExifData(exif);
        still->writeMetadata();
        Exiv2::BasicIo& io = still->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf all = io.read(static_cast<long>(io.size()));
        bytes.assign(reinterpret_cast<const char*>(all.pData_), std::size_t(all.size_));
    } catch (const std::exception& e) {
        error = std::string("the picture's metadata cannot be written: ") + e.what();
        return false;
    }
    return platform::writeFileAtomically(path, bytes, &error);
}

} // namespace kivora::exporting
