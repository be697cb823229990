#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// A set of pieces as a receiver has it: read from its checksum list when there is one (each piece and the whole
// file can be checked), else from its batch file's copy lines, else from the numbered pieces alone (1 to N).
struct PieceSet {
    enum class From { ChecksumList, BatchFile, NumberedPieces };
    struct Piece {
        QString name;
        QString path;      // empty while it is missing
        QByteArray digest; // hex from the list, else empty
        int64_t size = 0;
    };

    From from = From::NumberedPieces;
    QString fileName;    // what the pieces rebuild
    QString base;        // "report." of report.001
    QString folder;      // where the file opened is: where the file goes unless another folder is chosen
    QString readFrom;    // the path of the list or batch file read; empty for numbered pieces
    QStringList folders; // where pieces were looked for, the first one's folder first
    std::vector<Piece> pieces;
    QByteArray wholeDigest;

    QStringList missing() const;
    int64_t size() const;
    // "report.001 to report.012, report.014": the pieces that are there.
    QString present() const;
};

// The set that opened belongs to: a piece, its checksum list, join script or batch file, or a folder that holds
// one set. Pieces are looked for in its folder, then in the folders given, in order. Throws JobError when there is
// no set, or a list or batch file that cannot be used (naming the line); missing pieces are no error here.
PieceSet FindSet(const QString& opened, const QStringList& moreFolders = {});

// Whether the file is named as a piece, checksum list, join script or batch file of a set and reads as one: what
// opening a file offers to join.
bool IsSetFile(const QString& path);
