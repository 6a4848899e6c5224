#include "tools/unit_sim/tacho_files.h"

namespace unit_sim {
namespace {

// Filler bytes that differ from file to file and from offset to offset.
std::string Filler(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& c : out) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return out;
}

std::string Padded(std::string_view text, size_t size, char pad) {
    std::string out(text.substr(0, size));
    out.resize(size, pad);
    return out;
}

void PutBe(std::string& out, size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * (width - 1 - i)));
    }
}

// Appends a count of `width` bytes and that many records of `size`.
void Counted(std::string& out, uint32_t count, int width, size_t size, uint32_t seed) {
    std::string field(static_cast<size_t>(width), '\0');
    PutBe(field, 0, count, width);
    out += field;
    out += Filler(count * size, seed);
}

}  // namespace

std::vector<CardFile> DriverCardFiles(std::string_view card_number, std::string_view surname) {
    // Card identification: nation, card number, issuing authority, dates,
    // then the holder: surname (code page, 35 bytes), first names, birth
    // date, language.
    std::string identification = std::string(1, '\x11') + Padded(card_number, 16, ' ') + "\x01" +
                                 Padded("AUTHORITY", 35, ' ') + Filler(12, 7) + "\x01" +
                                 Padded(surname, 35, ' ') + "\x01" + Padded("JAN", 35, ' ') +
                                 Filler(4, 8) + "pl";
    std::vector<CardFile> files = {
        {0x0002, 0, Filler(25, 1)},
        {0x0005, 0, Filler(8, 2)},
        {0xC100, 0, Filler(194, 3)},
        {0xC108, 0, Filler(194, 4)},
    };
    struct Data {
        uint16_t id;
        size_t size;
    };
    // Sizes chosen so the contents reach into the last upload block.
    const Data data[] = {{0x0501, 10},   {0x0520, 0},   {0x050E, 4},     {0x0521, 53},
                         {0x0502, 864},  {0x0503, 576}, {0x0504, 18528}, {0x0505, 4032},
                         {0x0506, 2016}, {0x0507, 19},  {0x0508, 46}};
    for (const Data& d : data) {
        std::string content = d.id == 0x0520 ? identification : Filler(d.size, d.id);
        files.push_back({d.id, 0, content});
        files.push_back({d.id, 1, Filler(128, d.id + 0x10000u)});
    }
    files.push_back({0x0522, 0, Filler(280, 0x0522)});
    return files;
}

std::string DriverUpload(const std::vector<CardFile>& files) {
    std::string upload(kDriverUploadSize, '\0');
    size_t offset = 256;
    for (size_t i = 0; i < files.size() && i < 27; ++i) {
        const CardFile& f = files[i];
        uint16_t sum = f.flag != 0 ? static_cast<uint16_t>(~f.id) : f.id;
        for (char c : f.content) sum = static_cast<uint16_t>(sum + static_cast<uint8_t>(c));
        size_t at = i * 7;
        uint16_t size = static_cast<uint16_t>(f.content.size());
        upload[at] = static_cast<char>(f.id & 0xFF);
        upload[at + 1] = static_cast<char>(f.id >> 8);
        upload[at + 2] = static_cast<char>(f.flag);
        upload[at + 3] = static_cast<char>(size & 0xFF);
        upload[at + 4] = static_cast<char>(size >> 8);
        upload[at + 5] = static_cast<char>(sum & 0xFF);
        upload[at + 6] = static_cast<char>(sum >> 8);
        upload.replace(offset, f.content.size(), f.content);
        offset += f.content.size();
    }
    return upload;
}

std::string DriverDdd(const std::vector<CardFile>& files) {
    std::string out;
    for (const CardFile& f : files) {
        std::string header(5, '\0');
        PutBe(header, 0, f.id, 2);
        header[2] = static_cast<char>(f.flag);
        PutBe(header, 3, static_cast<uint32_t>(f.content.size()), 2);
        out += header + f.content;
    }
    return out;
}

std::string VuTransfer(int type, const VuCounts& c, std::string_view vin, std::string_view vrn) {
    std::string out = {'\x76', static_cast<char>(type)};
    uint32_t seed = static_cast<uint32_t>(type) * 100;
    switch (type) {
        case 1:
            out += Filler(388, seed);  // certificates
            out += Padded(vin, 17, ' ');
            out += "\x11\x01";  // registration nation, code page
            out += Padded(vrn, 13, ' ');
            out += Filler(493 - out.size(), seed + 1);
            Counted(out, c.company_locks, 1, 98, seed + 2);
            Counted(out, c.controls, 1, 31, seed + 3);
            break;
        case 2:
            out += Filler(7, seed);  // date, odometer
            Counted(out, c.card_insertions, 2, 129, seed + 1);
            Counted(out, c.activity_changes, 2, 2, seed + 2);
            Counted(out, c.places, 1, 28, seed + 3);
            Counted(out, c.specific_conditions, 2, 5, seed + 4);
            break;
        case 3:
            Counted(out, c.faults, 1, 82, seed);
            Counted(out, c.events, 1, 83, seed + 1);
            out += Filler(9, seed + 2);
            Counted(out, c.over_speeding, 1, 31, seed + 3);
            Counted(out, c.time_adjustments, 1, 98, seed + 4);
            break;
        case 4:
            Counted(out, c.speed_blocks, 2, 64, seed);
            break;
        case 5:
            out += Filler(136, seed);
            Counted(out, c.calibrations, 1, 167, seed + 1);
            break;
        default:
            break;
    }
    out += Filler(128, seed + 9);  // signature
    return out;
}

std::string VuDownload(std::string_view vin, std::string_view vrn, const VuCounts& counts) {
    std::string out;
    for (int type = 1; type <= 5; ++type) out += VuTransfer(type, counts, vin, vrn);
    return out;
}

}  // namespace unit_sim
