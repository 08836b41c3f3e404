// satellites: the table of satellite names the list's rows show.
#include <ostream>
#include <string>

#include "channel_list/satellite_names.h"
#include "row_text.h"
#include "utf8_text.h"
#include "zelq_list.h"

int ShowSatellites(std::ostream& out) {
    const std::string title = "Position";
    out << title << "  Satellite\n";
    for (std::size_t row = 0; row < SatelliteTableSize(); ++row) {
        const std::uint16_t position = SatelliteTablePosition(row);
        const std::string text = PositionText(position);
        const std::size_t width = DisplayWidth(text);
        out << std::string(width < title.size() ? title.size() - width : 0, ' ') << text << "  "
            << SatelliteNameFor(position) << '\n';
    }
    return kExitOk;
}
