// MyPrinter: a printout written as a PDF file (A4). Positions are in tenths
// of a millimetre from the left margin; WriteString puts text on the current
// line, WriteLn(n) moves down n lines (at least one). Pages break by
// themselves. Everything written is also kept as a list (for checks and
// previews).
#pragma once

#include "sv/Font.hpp"
#include "sv/String.hpp"

#include <memory>
#include <vector>

class QPdfWriter;
class QPainter;

class MyPrinter {
public:
    struct Item {
        int nPage;
        int nX;  // tenths of a millimetre from the left margin
        int nY;  // tenths of a millimetre from the top margin
        String aText;
    };

    // Writes to the file; without a path, to "printout.pdf" in the current folder.
    explicit MyPrinter(const String& rPdfPath = String());
    ~MyPrinter();
    MyPrinter(const MyPrinter&) = delete;
    MyPrinter& operator=(const MyPrinter&) = delete;

    bool IsOpen() const { return mpPainter != nullptr; }
    void WriteString(const String& rText, int nX);
    void WriteLn(int nLines = 1);
    void NewPage();
    void ChangeFont(const Font& rFont);
    // Ends the document and closes the file (the destructor does it too).
    bool End();

    const String& GetPath() const { return maPath; }
    int GetLineHeight() const { return mnLineHeight; }
    int GetCurrentY() const { return mnY; }
    int GetPage() const { return mnPage; }
    const std::vector<Item>& GetItems() const { return maItems; }

private:
    String maPath;
    std::unique_ptr<QPdfWriter> mpWriter;
    std::unique_ptr<QPainter> mpPainter;
    std::vector<Item> maItems;
    int mnY = 0;
    int mnPage = 1;
    int mnLineHeight = 50;
};
