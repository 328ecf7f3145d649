#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

// How a journal column shows its field's value.
enum class ColumnFormat {
    Text,
    Date,      // yyyy-mm-dd
    Timestamp, // yyyy-mm-dd hh:mm:ss
};

struct JournalColumn {
    std::string field; // column of dsLogSamoFactc
    QString caption;
    int width = 0; // pixels
    ColumnFormat format = ColumnFormat::Text;
};

// The journal grid's columns, in order, as stored in import/journal_grid.json.
const std::vector<JournalColumn>& journalColumns();

// The text a cell shows for a raw value as the server sends it (dates and
// timestamps in ISO style); NULL shows as an empty text.
QString displayText(std::string_view raw, bool isNull, ColumnFormat format);
