#pragma once

// Colours and fonts of the journal grid's table-view style ("DevExpress"),
// as RGB hex texts; the grid turns them into its palette and style sheet.
struct GridStyleSheet {
    const char* name = "DevExpress";
    const char* background = "#FFFBF0";
    const char* content = "#D9EAF7";
    const char* evenRow = "#D9EAF7";
    const char* oddRow = "#EAF3FB";
    const char* text = "#000000";
    const char* fontFamily = "MS Sans Serif";
    int fontPointSize = 8;
    const char* header = "#316AC5";
    const char* headerText = "#FFFFFF"; // bold
    const char* selection = "#316AC5";
    const char* selectionText = "#FFFFFF";
    const char* groupByBox = "#FED547";
    const char* incSearch = "#FED547";
    const char* filterBox = "#FFFFE1";
    const char* footer = "#FFFFE1";  // bold navy text
    const char* preview = "#FFFFE1"; // bold navy text
    const char* footerText = "#000080";
    const char* groupRow = "#F1EFE2";
    const char* inactiveSelection = "#A4C4EB";
    const char* rowIndicator = "#A4C4EB";
};
