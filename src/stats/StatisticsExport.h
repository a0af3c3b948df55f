#pragma once

#include <QString>

class CcTalkLink;
class Prompts;
class StatisticsPage;
class TXLSfile;

// "Export to XLS": the selector's product code and serial number and the twenty slots as
// they stand on the page, written as a BIFF2 worksheet.
class StatisticsExport
{
public:
    // The chosen name with ".xls" appended unless it already ends so (any letter case).
    static QString xlsFileName(const QString &chosen);
    // Fills the workbook with the 69 cells of the export. Counters above 65535 do not fit an
    // integer cell and are written as text cells holding the whole number.
    static void fill(TXLSfile &xls, const StatisticsPage &page, const QString &productCode,
                     const QString &serialText, const QString &dateText);
    // The product code and serial texts from the selector; "" where a request failed.
    static QString requestProductCode(CcTalkLink &link);
    static QString requestSerialText(CcTalkLink &link);

    // The whole operation: the save dialog (or fileName when given), the overwrite question
    // for the final name, the two requests, and the file. false when cancelled or failed
    // (a failure was reported).
    static bool run(CcTalkLink &link, const StatisticsPage &page, Prompts &prompts,
                    const QString &fileName = QString());
};
