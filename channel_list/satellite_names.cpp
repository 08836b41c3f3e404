#include "satellite_names.h"

namespace {

struct SatelliteRow {
    std::uint16_t Position;  // tenths of a degree east
    const char* Name;
};

// Every known satellite position, in ascending order, with the name shown in
// the list's second column. Some names stand at more than one position.
constexpr SatelliteRow kSatelliteTable[] = {
    {30, "Telecom_2C"},
    {40, "EuroBird 4"},
    {48, "Sirius  4.8"},
    {50, "Sirius (5.0)"},
    {70, "EutelSat W3A"},
    {90, "EuroBird 9"},
    {100, "EutelSat W1"},
    {130, "HotBird"},
    {142, "_1"},
    {160, "EutelSat W2"},
    {192, "Astra 1B-1H"},
    {210, "AfriStar"},
    {215, "EutelSat II"},
    {216, "EutelSat W6"},
    {235, "Astra (23.5 E)"},
    {242, "Astra 1D"},
    {255, "EuroBird 2"},
    {260, "ArabSat 2A"},
    {282, "Astra 2A"},
    {285, "Astra (28.5 E)"},
    {305, "ArabSat 2B"},
    {310, "Astra 1D"},
    {313, "TurkSat 1B"},
    {315, "Optus A3"},
    {330, "EuroBird 3"},
    {360, "SeSat"},
    {361, "EutelSat W4"},
    {380, "PakSat 1"},
    {390, "Hellas Sat 2"},
    {400, "Express AM1"},
    {420, "TurkSat"},
    {425, "NewSat 1"},
    {450, "IntelSat 12"},
    {480, "EutelSat II F1"},
    {490, "Yamal 202"},
    {500, "Anatolia 1"},
    {530, "Express AM22"},
    {548, "IntelSat 702"},
    {550, "InSat 3E"},
    {560, "Bonum 1"},
    {570, "NSS 703"},
    {600, "IntelSat 904"},
    {620, "IntelSat 902"},
    {640, "IntelSat 804"},
    {642, "IntelSat 906"},
    {660, "IntelSat 704"},
    {685, "IntelSat 7/10"},
    {705, "EutelSat W5"},
    {720, "IntelSat 4"},
    {740, "InSat 3C"},
    {750, "ABS 1"},
    {765, "TeleStar 10"},
    {785, "ThaiCom 2/5"},
    {800, "Express AM2"},
    {830, "InSat 2E"},
    {852, "IntelSat 709"},
    {875, "ChinaStar 1"},
    {880, "ST 1"},
    {898, "Yamal 102"},
    {900, "Yamal 201"},
    {915, "MeaSat 1"},
    {935, "InSat 3A"},
    {950, "NSS 6"},
    {965, "Gorizont 28"},
    {1005, "AsiaSat 2"},
    {1030, "Express A2"},
    {1050, "AsiaStar"},
    {1055, "AsiaSat 35"},
    {1077, "Cakrawarta 1"},
    {1080, "TelKom 1"},
    {1100, "BSat 1A"},
    {1105, "SinoSat 1"},
    {1130, "Palapa C2"},
    {1155, "ChinaSat 6B"},
    {1160, "KoreaSat 3"},
    {1180, "TelKom 2"},
    {1200, "ThiaCom 1A"},
    {1222, "AsiaSat 4"},
    {1240, "JCSat 4A"},
    {1250, "SinoSat 3"},
    {1280, "JCSat 3A"},
    {1320, "JCSat 5A"},
    {1340, "ApStar 6"},
    {1380, "TelStar 18"},
    {1400, "Express AM3"},
    {1440, "SuperBird C"},
    {1450, "Gorizont 33"},
    {1460, "Agila 2"},
    {1480, "MeaSat 2"},
    {1500, "JCSat R"},
    {1540, "JCSat 2A"},
    {1560, "Optus C1"},
    {1580, "SuperBird A"},
    {1600, "Optus D1"},
    {1620, "SuperBird B2"},
    {1660, "IntelSat 8"},
    {1690, "IntelSat 2"},
    {1720, "Ge 23"},
    {1740, "IntelSat 802"},
    {1760, "IntelSat 702"},
    {1800, "IntelSat 701"},
    {1830, "NSS 5"},
    {2120, "EchoStar 1/2"},
    {2210, "AMC 8"},
    {2230, "AMC 7"},
    {2250, "AMC 10"},
    {2270, "Galaxy 15"},
    {2290, "AMC 11"},
    {2310, "EchoStar 5 / Galaxy 27"},
    {2330, "Galaxy 13"},
    {2350, "Galaxy 14"},
    {2370, "Galaxy 10"},
    {2390, "EchoStar 9 / Galaxy 23"},
    {2410, "EchoStar 7"},
    {2412, "DirectTV 6"},
    {2432, "SatMex 5"},
    {2470, "SatMex 6"},
    {2489, "Anik F2"},
    {2500, "Sat"},
    {2502, "DirectTV 1"},
    {2527, "Anik F1"},
    {2550, "AMC 15/18"},
    {2570, "AMC 1"},
    {2590, "AMC 4"},
    {2591, "DirectTv 1R"},
    {2610, "Galaxy 16"},
    {2630, "Galaxy 25"},
    {2650, "Galaxy 3C"},
    {2670, "Galaxy 26"},
    {2680, "BrasilSat B4"},
    {2690, "Galaxy 11"},
    {2691, "Nimiq 1"},
    {2710, "Galaxy 28"},
    {2730, "AMC 3"},
    {2750, "AMC 16"},
    {2760, "BrasilSat B3"},
    {2770, "AMC 9"},
    {2780, "Nimiq 2"},
    {2810, "AMC 5"},
    {2850, "BrasilSat B1"},
    {2860, "SBS 6"},
    {2875, "DirectTv 1R"},
    {2880, "Nahuel 1"},
    {2900, "BrasilSat B4"},
    {2950, "Star One C1"},
    {2970, "Estrela 1"},
    {2985, "EchoStar 3"},
    {2990, "Amazonas"},
    {3020, "IntelSat 9"},
    {3045, "IntelSat 805"},
    {3070, "IntelSat 707"},
    {3100, "IntelSat 705"},
    {3150, "IntelSat 1R"},
    {3170, "IntelSat 3R"},
    {3195, "NSS 806"},
    {3225, "TeleStar 11"},
    {3255, "IntelSat 903"},
    {3285, "IntelSat 801"},
    {3300, "HispaSat"},
    {3355, "IntelSat 905"},
    {3380, "NSS 7)"},
    {3385, "NSS K)"},
    {3400, "IntelSat 603"},
    {3420, "IntelSat 901"},
    {3450, "TeleStar 12"},
    {3460, "Express A4"},
    {3475, "Atlantic Bird 1"},
    {3490, "Express A3"},
    {3520, "Atlantic Bird 2"},
    {3530, "Nile Sat"},
    {3550, "Atlantic Bird 3"},
    {3590, "Thor 2/3"},
};

constexpr std::size_t kSatelliteRows = sizeof(kSatelliteTable) / sizeof(kSatelliteTable[0]);
static_assert(kSatelliteRows == 172, "the satellite table has 172 rows");

constexpr bool TableIsAscending() {
    for (std::size_t i = 1; i < kSatelliteRows; ++i) {
        if (kSatelliteTable[i - 1].Position >= kSatelliteTable[i].Position) return false;
    }
    return true;
}
static_assert(TableIsAscending(), "positions are distinct and ascending");

// Every position up to a full circle (3599) maps straight to its row: the
// load looks up a name for every channel of a list, so a lookup is one index.
// A slot holds the row number plus one, or 0 where no satellite stands.
constexpr std::size_t kIndexedPositions = 3600;

struct PositionIndex {
    std::uint8_t RowPlusOne[kIndexedPositions];
};

constexpr PositionIndex MakePositionIndex() {
    PositionIndex index{};
    for (std::size_t row = 0; row < kSatelliteRows; ++row) {
        index.RowPlusOne[kSatelliteTable[row].Position] = static_cast<std::uint8_t>(row + 1);
    }
    return index;
}

static_assert(kSatelliteRows < 255, "row numbers fit a byte");
static_assert(kSatelliteTable[kSatelliteRows - 1].Position < kIndexedPositions,
              "every position in the table is indexed");
constexpr PositionIndex kPositionIndex = MakePositionIndex();

}  // namespace

const char* SatelliteNameFor(std::uint32_t position) {
    const std::uint16_t wanted = position & 0xFFFF;
    if (wanted >= kIndexedPositions || kPositionIndex.RowPlusOne[wanted] == 0) return kUnknownSatellite;
    return kSatelliteTable[kPositionIndex.RowPlusOne[wanted] - 1].Name;
}

std::size_t SatelliteTableSize() { return kSatelliteRows; }

std::uint16_t SatelliteTablePosition(std::size_t row) { return kSatelliteTable[row].Position; }
