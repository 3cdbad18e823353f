#include "kivora/recording/KnownAtomTypes.h"

#include "kivora/system/BigEndian.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace kivora::recording {
namespace {

// In the order of the recorder format's table; "xml " appears twice there.
constexpr std::array<const char*, 168> kTable = {
    "ainf",
    "avcn",
    "bloc",
    "bpcc",
    "buff",
    "bxml",
    "ccid",
    "cdef",
    "clip",
    "cmap",
    "co64",
    "colr",
    "crgn",
    "crhd",
    "cslg",
    "ctab",
    "ctts",
    "cvru",
    "dinf",
    "dref",
    "dsgd",
    "dstg",
    "edts",
    "elst",
    "fdel",
    "feci",
    "fecr",
    "fiin",
    "fire",
    "fpar",
    "free",
    "frma",
    "ftyp",
    "gitn",
    "grpi",
    "hdlr",
    "hmhd",
    "hpix",
    "icnu",
    "ID32",
    "idat",
    "ihdr",
    "iinf",
    "iloc",
    "imap",
    "imif",
    "infe",
    "infu",
    "iods",
    "iphd",
    "ipmc",
    "ipro",
    "iref",
    "jP  ",
    "jp2c",
    "jp2h",
    "jp2i",
    "kmat",
    "leva",
    "load",
    "lrcu",
    "m7hd",
    "matt",
    "mdat",
    "mdhd",
    "mdia",
    "mdri",
    "meco",
    "mehd",
    "mere",
    "meta",
    "mfhd",
    "mfra",
    "mfro",
    "minf",
    "mjhd",
    "moof",
    "moov",
    "mvcg",
    "mvci",
    "mvex",
    "mvhd",
    "mvra",
    "nmhd",
    "ochd",
    "odaf",
    "odda",
    "odhd",
    "odhe",
    "odrb",
    "odrm",
    "odtt",
    "ohdr",
    "padb",
    "paen",
    "pclr",
    "pdin",
    "pitm",
    "pnot",
    "prft",
    "res ",
    "resc",
    "resd",
    "rinf",
    "saio",
    "saiz",
    "sbgp",
    "schi",
    "schm",
    "sdep",
    "sdhd",
    "sdtp",
    "sdvp",
    "segr",
    "senc",
    "sgpd",
    "sidx",
    "sinf",
    "skip",
    "smhd",
    "srmb",
    "srmc",
    "srpp",
    "ssix",
    "stbl",
    "stco",
    "stdp",
    "sthd",
    "strd",
    "stri",
    "stsc",
    "stsd",
    "stsg",
    "stsh",
    "stss",
    "stsz",
    "stts",
    "styp",
    "stz2",
    "subs",
    "swtc",
    "tfad",
    "tfdt",
    "tfhd",
    "tfma",
    "tfra",
    "tibr",
    "tiri",
    "tkhd",
    "traf",
    "trak",
    "tref",
    "trex",
    "trgr",
    "trik",
    "trun",
    "udta",
    "uinf",
    "UITS",
    "ulst",
    "url ",
    "uuid",
    "vmhd",
    "vwdi",
    "xml ",
    "xml ",
    "udat",
    "ICAT",
};

std::uint32_t code(const std::uint8_t* b)
{
    return system::readBe32(b);
}

// Sorted, duplicate-free codes; built once on first use (thread-safe static initialisation).
const std::vector<std::uint32_t>& knownCodes()
{
    static const std::vector<std::uint32_t> codes = [] {
        std::vector<std::uint32_t> v;
        v.reserve(kTable.size());
        for (const char* t : kTable)
            v.push_back(code(reinterpret_cast<const std::uint8_t*>(t)));
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
        return v;
    }();
    return codes;
}

} // namespace

bool isKnownAtomType(const std::uint8_t* fourBytes)
{
    const auto& codes = knownCodes();
    return std::binary_search(codes.begin(), codes.end(), code(fourBytes));
}

bool isKnownAtomType(std::string_view type)
{
    return type.size() == 4 && isKnownAtomType(reinterpret_cast<const std::uint8_t*>(type.data()));
}

std::size_t knownAtomTypeCount()
{
    return knownCodes().size();
}

} // namespace kivora::recording
