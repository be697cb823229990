#pragma once

#include <QString>

#include <stdexcept>

// The program's string table: every text the user reads, fetched by its id.

// The web address that the batch file and the footers point the receiver to. A macro so that the
// string table can join it into its literals at compile time.
#define BREVIMO_MAKER_ADDRESS "https://brevimo.example.org/"
inline constexpr const char* kMakerAddress = BREVIMO_MAKER_ADDRESS;

class StringTableError : public std::out_of_range {
public:
    explicit StringTableError(int id);
    int id() const { return id_; }

private:
    int id_;
};

// Throws StringTableError for an id that is not in the table.
QString Text(int id);

// Ids of the texts this port adds to the table (from 1100 on).
namespace Res {
inline constexpr int NoSourceFile = 1100;
inline constexpr int CannotReadSource = 1101;
inline constexpr int CannotWrite = 1102;
inline constexpr int BadCustomSize = 1103;
inline constexpr int TooManyPieces = 1104;
inline constexpr int UnsafeName = 1105;
inline constexpr int NoSuchFolder = 1106;
inline constexpr int NeedsDisplay = 1109;
inline constexpr int SourceIsFolder = 1110;
inline constexpr int SettingsNotStored = 1111;
inline constexpr int NotAFolder = 1112;
inline constexpr int BadPieceSize = 1114;
inline constexpr int OverwritesSource = 1115;
inline constexpr int SourceChanged = 1116;
inline constexpr int PiecesKept = 1117;
inline constexpr int NoMailServer = 1118;
inline constexpr int DialUpFailed = 1119;
inline constexpr int HangUpFailed = 1120;
inline constexpr int ZipFailed = 1121;
inline constexpr int CannotCopy = 1122;
inline constexpr int CannotDelete = 1123;
inline constexpr int DiskNotWritten = 1124;
inline constexpr int NotARegularFile = 1125;
inline constexpr int OtherSetInFolder = 1126;
inline constexpr int FolderBusy = 1127;
inline constexpr int InTheWay = 1128;
inline constexpr int Stopped = 1129;
inline constexpr int PiecesThere = 1130;
inline constexpr int NoPieceThere = 1131;
inline constexpr int ReceiverCannotRebuild = 1132;
inline constexpr int DeviceName = 1133;
inline constexpr int TrailingDotOrBlank = 1134;
inline constexpr int OwnBatchName = 1135;
inline constexpr int NameTooLong = 1136;
inline constexpr int CannotCreate = 1137;
inline constexpr int KindLink = 1138;
inline constexpr int KindFolder = 1139;
inline constexpr int KindFifo = 1140;
inline constexpr int KindSocket = 1141;
inline constexpr int KindBlockDevice = 1142;
inline constexpr int KindCharDevice = 1143;
inline constexpr int To = 1144;
inline constexpr int NotAnOrdinaryFile = 1145;
inline constexpr int BadAddress = 1146;
inline constexpr int FieldSendTo = 1147;
inline constexpr int FieldCc = 1148;
inline constexpr int FieldBcc = 1149;
inline constexpr int NoSender = 1150;
inline constexpr int BadSender = 1151;
inline constexpr int NoRecipient = 1152;
inline constexpr int MessageNotSent = 1153;
inline constexpr int MessagesSent = 1154;
inline constexpr int NoMessageSent = 1155;
inline constexpr int RecipientRefused = 1156;
inline constexpr int SenderRefused = 1157;
inline constexpr int MessageRefused = 1158;
inline constexpr int ServerAnswered = 1159;
inline constexpr int TooLargeForServer = 1160;
inline constexpr int MessageSizeNote = 1161;
inline constexpr int NotATextFile = 1162;
inline constexpr int NotASettingLine = 1163;
inline constexpr int CannotSetAside = 1164;
inline constexpr int SettingsSetAside = 1165;
inline constexpr int NoFolder = 1166;
inline constexpr int SettingsNotKept = 1167;
inline constexpr int NoDialUpHere = 1168;
inline constexpr int StoppedBy = 1169;
inline constexpr int StopTheJob = 1170;
inline constexpr int ForeignReceiverFile = 1171;
inline constexpr int NamedLikeReceiverFile = 1172;
inline constexpr int CannotReadBack = 1173;
inline constexpr int ReceiverFilesNote = 1174;
inline constexpr int ReceiverFilesOption = 1175;
inline constexpr int WithThePieces = 1176;
inline constexpr int ResumeHint = 1177;
inline constexpr int ResumeQuestion = 1178;
inline constexpr int NoSeriesToResume = 1179;
inline constexpr int SeriesNotUsed = 1180;
inline constexpr int SeriesSourceChanged = 1181;
inline constexpr int SeriesPieceGone = 1182;
inline constexpr int PartialSeriesExists = 1183;
inline constexpr int OldSeriesRemoved = 1184;
inline constexpr int KindPiece = 1185;
inline constexpr int KindBatchFile = 1186;
inline constexpr int KindChecksumList = 1187;
inline constexpr int KindJoinScript = 1188;
inline constexpr int KindRebuiltFile = 1189;
inline constexpr int OwnPieceName = 1190;
inline constexpr int FolderNameTooLong = 1191;
inline constexpr int FileTooLarge = 1192;
inline constexpr int NameRefused = 1193;
inline constexpr int CannotWriteThere = 1194;
inline constexpr int BatchPieceMissing = 1195;
inline constexpr int BatchCopyFailed = 1196;
inline constexpr int BatchNotRebuilt = 1197;
inline constexpr int NotConnectedWithin = 1210;
inline constexpr int NeedsSmtpUtf8 = 1211;
inline constexpr int AsciiForm = 1212;
inline constexpr int DeliveredOnly = 1213;
inline constexpr int MailsGoAnyway = 1214;
inline constexpr int DialUpStopsJob = 1215;
inline constexpr int StopWithoutDialUp = 1216;
inline constexpr int StopWithoutDialUpTip = 1217;
inline constexpr int SentMessages = 1218;
inline constexpr int SentMessage = 1219;
inline constexpr int CannotOpenWindow = 1220;
inline constexpr int PieceChanged = 1221;
inline constexpr int SeriesCannotBeFinished = 1222;
inline constexpr int PiecesCutAgain = 1223;
inline constexpr int Checking = 1224;
inline constexpr int UsageResume = 9021;
} // namespace Res
