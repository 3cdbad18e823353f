#pragma once

// A small encoder for telemetry blocks, so that tests state their records field by field.

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace kivora::testing {

struct RecordFields {
    char status = 'A';
    std::string latitude = "3539.1234";
    std::uint8_t latitudeSign = 'N';
    std::string longitude = "13945.6789";
    std::uint8_t longitudeSign = 'E';
    std::string speed = "0045";
    std::string dateTime = "230115083000";
    std::string addSeconds = "000";
    std::string voltage = "125";
    std::string accelX = "+0000";
    std::string accelY = "+0000";
    std::string accelZ = "+0000";
    char manual = '_'; // 72
    char shockAxis = '_'; // 73
    char driveSupport = 'N'; // 74
    char emergency = '_'; // 75
    char parking = '_'; // 76
    char speeding = '_'; // 77
    std::array<std::uint8_t, 4> raw4 { 1, 2, 3, 4 };
    std::uint8_t status122 = 'R';
};

inline void put(std::vector<std::uint8_t>& out, std::size_t offset, std::string_view text, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        out[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

inline std::vector<std::uint8_t> encodeRecord(const RecordFields& r)
{
    std::vector<std::uint8_t> rec(124, '0');
    put(rec, 0, "$GPRM", 5);
    rec[5] = static_cast<std::uint8_t>(r.status);
    put(rec, 6, r.latitude, 9);
    rec[15] = r.latitudeSign;
    put(rec, 16, r.longitude, 10);
    rec[26] = r.longitudeSign;
    put(rec, 27, r.speed, 4);
    put(rec, 31, r.dateTime, 12);
    put(rec, 44, r.addSeconds, 3);
    put(rec, 48, r.voltage, 3);
    put(rec, 57, r.accelX, 5);
    put(rec, 62, r.accelY, 5);
    put(rec, 67, r.accelZ, 5);
    rec[72] = static_cast<std::uint8_t>(r.manual);
    rec[73] = static_cast<std::uint8_t>(r.shockAxis);
    rec[74] = static_cast<std::uint8_t>(r.driveSupport);
    rec[75] = static_cast<std::uint8_t>(r.emergency);
    rec[76] = static_cast<std::uint8_t>(r.parking);
    rec[77] = static_cast<std::uint8_t>(r.speeding);
    std::copy(r.raw4.begin(), r.raw4.end(), rec.begin() + 78);
    for (std::size_t i = 0; i < 30; ++i)
        rec[82 + i] = static_cast<std::uint8_t>(i);
    rec[122] = r.status122;
    return rec;
}

// Header: four thresholds (four digits each), type letter, firmware "010203", quality, byte 24, code 25.
inline std::string headerText(
    std::string_view values = "0500100015002000", char type = 'M', char quality = 'H', char code25 = 'J')
{
    std::string h(values);
    h.resize(16, ' ');
    h += type;
    h += "010203";
    h += quality;
    h += '0';
    h += code25;
    return h;
}

struct BlockOptions {
    std::string header = headerText();
    std::uint16_t count = 0; // written as given
    bool countFromRecords = true;
    bool endTag = true;
    std::string trailer = "240101"; // behind the end tag; empty for none
};

inline std::vector<std::uint8_t> encodeBlock(
    const std::vector<RecordFields>& records, BlockOptions options = {})
{
    std::vector<std::uint8_t> out;
    auto text = [&](std::string_view s) { out.insert(out.end(), s.begin(), s.end()); };
    text("CSMDAT");
    text(options.header);
    const std::uint16_t n
        = options.countFromRecords ? static_cast<std::uint16_t>(records.size()) : options.count;
    out.push_back(static_cast<std::uint8_t>(n >> 8));
    out.push_back(static_cast<std::uint8_t>(n & 0xFF));
    for (const RecordFields& r : records) {
        const auto rec = encodeRecord(r);
        out.insert(out.end(), rec.begin(), rec.end());
    }
    if (options.endTag) {
        text("CSMEND");
        text(options.trailer);
    }
    return out;
}

inline std::vector<RecordFields> plainRecords(std::size_t n)
{
    std::vector<RecordFields> records(n);
    for (std::size_t i = 0; i < n; ++i)
        records[i].voltage = std::to_string(100 + i);
    return records;
}

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh empty folder for one test, removed with the object.
class TempFolder {
public:
    explicit TempFolder(std::string_view tag)
    {
        m_path = std::filesystem::temp_directory_path()
            / ("kivora-" + std::string(tag) + "-" + std::to_string(::getpid()) + "-"
                + std::to_string(s_next++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
    static inline int s_next = 0;
};

} // namespace kivora::testing
