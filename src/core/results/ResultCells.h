#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class ResultsModel;

// One cell of the results list as the writers read it: a result text (its
// 8-bit bytes), a source path, or nothing (a row without a second column
// under a two-column header).
struct ResultCell
{
    enum class Kind { Empty, Text, Path };

    Kind kind = Kind::Empty;
    // Text: the result's bytes. Path: the path in the platform's file-name
    // encoding. Either way the bytes the text file holds for this cell.
    QByteArrayView bytes;
    // Path: the path itself.
    const QString *path = nullptr;
    // The cell's length in characters (code points).
    qsizetype characters = 0;
    // Text: the bytes are decoded text (UTF-8), not 8-bit bytes.
    bool utf8 = false;
};

// Reads the cells of the results list by row and column, the way the text
// file, the clipboard and the workbook see them: the source path when the
// row has one, then its text or a table's cells, then a table's count.
// A row's path is converted once for a run of rows from the same file.
class ResultCells
{
public:
    explicit ResultCells(const ResultsModel &list);

    int columnCount() const;
    QString header(int column) const;
    // Rows can go while a writer yields; read this again after every yield.
    qsizetype rowCount() const;

    // Valid until the next call or the next change of the list.
    ResultCell cell(qsizetype row, int column);

    // Appends a cell as text (clipboard).
    static void appendText(QString &out, const ResultCell &cell);

private:
    const ResultsModel &m_list;
    QString m_path;
    QByteArray m_pathBytes;
    QByteArray m_count;
    qsizetype m_pathCharacters = 0;
};

// Length of a text in characters: a surrogate pair counts once.
qsizetype characterCount(QStringView text);
// Length of UTF-8 text in characters (code points).
qsizetype utf8CharacterCount(QByteArrayView utf8);
