#include "core/StringTable.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

struct Entry {
    int id;
    const char* text; // UTF-8
};

// Sorted by id; looked up by binary search.
constexpr Entry kTable[] = {
    {1000, "Welcome to Brevimo\n\nWith Brevimo you can split files into smaller parts. You then can send those parts "
           "as e-mails, without running into a server error because the attachement is to big. You can also use the "
           "splits to copy a large file onto several floppy disks to move it to another machine.\n\nYou can select "
           "more than one file and Brevimo will create a ZIP-archive.\n\nTo run Brevimo from the comand line type: "
           "'Brevimo /?'"},
    {1001, "< Back"},
    {1002, "Next >"},
    {1003, "Finish"},
    {1011, "Always show this screen"},
    {1019, "Add File..."},
    {1020, "ZIP Filename:"},
    {1021, "Open..."},
    {1022, "New..."},
    {1023, "Files:"},
    {1024, "Adds Files to ZIP"},
    {1025, "Removes Files from ZIP"},
    {1026, "Open existing ZIP-File"},
    {1027, "Create new ZIP-File"},
    {1028, "Add File to ZIP"},
    {1029, "Size of split's:"},
    {1030, "Create splitmails:"},
    {1031, "Send to:"},
    {1033, "Subject:"},
    {1034, "CC, BCC, Body text..."},
    {1035, "Settings..."},
    {1036, "Create splitfiles on disk:"},
    {1037, "Floppy disk A:\\"},
    {1038, "Folder:"},
    {1039, "512 kB"},
    {1040, "1 MB"},
    {1041, "1.44 MB (Floppy)"},
    {1042, "2 MB"},
    {1043, "Custom:"},
    {1044, "Copy all attatchements, of all the mails of this serie, into a temporary folder, then double click on the "
           "batch-file (*.BAT) to reassemble the file."},
    {1045, "Splitmail of "},
    {1046, "Select splitfiles-folder"},
    {1047, "There were "},
    {1048, " splitfiles created."},
    {1049, "Writing: "},
    {1050, "Do you want do delete the contents of the whole disk inside drive A:\\ ?"},
    {1051, "Please insert another disk into drive A:\\"},
    {1052, "Please insert a disk into drive A:\\"},
    {1053, "Copy: '"},
    {1054, "Copied: '"},
    {1055, "' to A:\\"},
    {1056, "Please insert disk "},
    {1057, " of "},
    {1058, " into drive A:\\"},
    {1059, "Delete temporary splitfiles"},
    {1060, "Operation terminated successfully!"},
    {1061, "Unable to locate phonebook file: "},
    {1062, "Please locate it under settings."},
    {1063, "Send message:"},
    {1064, "Connect to mailserver..."},
    {1065, "Disconnect from mailserver..."},
    {1066, "\nBrevimo has collected the following informations:\n\nSource file:'"},
    {1067, "'\nSplitfile size: "},
    {1068, " Bytes\n\nSendto: '"},
    {1069, "'\nCC: '"},
    {1070, "'   BCC: '"},
    {1071, "'\nSubject: '"},
    {1072, "'\n\nBrevimo is ready to go. Please click 'Finish' to proccede."},
    {1073, " Bytes\n\nCreate splitfiles in the following folder:\n'"},
    {1074, "<none>"},
    {1075, "\n\n---------------------------------------------------------------------------\nCreated using Brevimo. To "
           "get your own copy, go to: " BREVIMO_MAKER_ADDRESS},
    {1076, "Send batch-file as text"},
    {1077, "Use this option, if antivirus-software or a fire-wall will block .BAT-file transmission at the "
           "destination."},
    {1078, "\n\n******************************************************************\n\nPLEASE CHANGE THE '.TXT' "
           "EXTENSION FROM THE *.TXT - FILE TO '.BAT'\n\n"
           "******************************************************************"},
    {1079, "Host not found!"},

    // Texts of this port.
    {1100, "No file to split was given. Choose the file to split (on the command line: /src:<file>) and try again."},
    {1101, "Cannot read the file to split '%1': %2.\nCheck the name and try again."},
    {1102, "Cannot write '%1': %2.\nThe split was not finished and the incomplete file was removed. Free some space "
           "or choose another folder, then try again."},
    {1103, "The custom size '%1' cannot be used. Give a number above 0 followed by MB or KB, for example 100 MB or "
           "64 KB."},
    {1104, "Splitting '%1' into pieces of %2 bytes would give %3 pieces; at most 32767 are possible. Choose a larger "
           "size."},
    {1105, "The name '%1' holds %2, which the reassembly batch file cannot carry safely. Rename the file and try "
           "again."},
    {1106, "The folder '%1' does not exist. Create it or choose another folder, then try again."},
    {1109, "Brevimo needs a display to show its window. Run it with /nui to work without one."},
    {1110, "'%1' is a folder, not a file. Choose the file to split and try again."},
    {1111, "The settings could not be stored in '%1': %2."},
    {1112, "'%1' is not a folder. Choose the folder for the pieces and try again."},
    {1114, "The piece size of %1 bytes cannot be used. Choose a size above 0."},
    {1115, "The pieces of '%1' would overwrite the file itself. Split it into another folder or rename it first."},
    {1116, "'%1' changed while it was split: it no longer has the length it had when the split began. Try again when "
           "no other program writes to it."},
    {1117, "The pieces are kept in '%1'."},
    {1118, "No mail server is set. Enter the server and the sender's address in the e-mail settings (Host and "
           "FromEMailAddress in %1), then try again."},
    {1119, "The dial-up connection '%1' could not be made: %2\nCheck the connection under settings, or clear "
           "Remote Access Service there if you have a DSL or cable connection."},
    {1120, "The dial-up connection '%1' could not be ended: %2\nIt may still be up; end it in the network settings."},
    {1121, "The archive '%1' was not changed.\n%2"},
    {1122, "Cannot copy '%1' to '%2': %3."},
    {1123, "Cannot delete '%1': %2."},
    {1124, "The disk in '%1' could not be written to the end: %2. Check the disk, then write it again."},
    {1125, "'%1' is %2, not an ordinary file. Only ordinary files can be split; choose one and try again."},
    {1126, "The folder '%1' already holds '%2', which does not rebuild '%3'. Split into another folder, or move "
           "that set away first."},
    {1127, "Another job is writing the pieces of '%1' into '%2' right now. Wait until it has finished, or choose "
           "another folder."},
    {1128, "'%1' is %2, not an ordinary file, and stands where a piece or the batch file goes. Remove it or choose "
           "another folder, then try again."},
    {1129, "The split of '%1' was stopped by %2."},
    {1130, "\n'%1' holds %2 and no batch file: the set is not complete. Split again to make a whole set."},
    {1131, "\nNo piece of '%1' was written."},
    {1132, "The receiver cannot rebuild '%1': %2. Rename the file and try again."},
    {1133, "Windows keeps the name '%1' for a device"},
    {1134, "Windows drops a dot or blank at the end of a name"},
    {1135, "its batch file has the same name and would overwrite itself while it runs"},
    {1136, "%1 '%2' would have %3 bytes, %4 more than the 255 a file name may have on Linux and macOS (on Windows 255 "
           "characters)"},
    {1137, "Cannot write '%1': %2."},
    {1138, "a symbolic link"},
    {1139, "a folder"},
    {1140, "a named pipe (FIFO)"},
    {1141, "a socket"},
    {1142, "a block device"},
    {1143, "a character device"},
    {1144, " to "},
    {1145, "it is %1, not an ordinary file"},
    {1146, "'%1' in %2 is not one e-mail address. Separate several addresses with ',' or ';' (a@example.com; "
           "b@example.com) and try again. Nothing was split or sent."},
    {1147, "Send to"},
    {1148, "CC"},
    {1149, "BCC"},
    {1150, "No sender address is set in the e-mail settings (%1). Type your e-mail address there and try again. "
           "Nothing was split or sent."},
    {1151, "The sender address '%1' in the e-mail settings (%2) is not one e-mail address. Correct it there and try "
           "again. Nothing was split or sent."},
    {1152, "There is no recipient. Type at least one e-mail address in Send to, CC or BCC and try again. Nothing was "
           "split or sent."},
    {1153, "Message %1 of %2 was not sent: %3."},
    {1154, " Messages 1 to %1 were sent."},
    {1155, " No message was sent."},
    {1156, "the mail server refused the recipient %1 (%2)"},
    {1157, "the mail server refused the sender %1 (%2)"},
    {1158, "the mail server refused the message (%1)"},
    {1159, "the mail server answered %1 with '%2'"},
    {1160, "The mail server %1 takes messages of up to %2 bytes, and the largest message of this series would reach it "
           "with about %3 bytes, the server's own lines counted. Nothing was sent. Choose a piece size of at most %4 "
           "bytes (a custom size of %5) and try again."},
    {1161, " Bytes\nMessage size: about %1"},
    {1162, "it is not a text file"},
    {1163, "line %1 is neither a setting nor a section"},
    {1164, "it could not be renamed to keep it"},
    {1165, "The settings file '%1' could not be read (%2). It was kept as '%3', and a new one holds the settings from "
           "now on."},
    {1166, "its folder cannot be made"},
    {1167, "%1 This run goes on with the settings in memory, but the next one will not remember: %2."},
    {1168, "Dial-up is switched on in the e-mail settings, but NetworkManager does not answer here, so '%1' is not "
           "dialled. Switch dial-up off in the e-mail settings when this machine needs none."},
    {1169, "the job was stopped by %1"},
    {1170, "A job is running. Stop it and close the window? What was done so far is told when it has stopped."},
    {1171, "The folder '%1' already holds '%2', which Brevimo did not write. Move that file away, split into another "
           "folder, or turn off the checksum list and join script on the destination page."},
    {1172, "'%1' has the name of its own checksum list or join script. Rename it, or turn off the checksum list and "
           "join script on the destination page."},
    {1173, "The pieces in '%1' could not be read back for their checksums: %2."},
    {1174, "\n\n%1 holds a checksum of every piece and of the whole file; on Linux or macOS, 'sh %2' in the folder "
           "with the pieces checks them, rebuilds the file and checks it too."},
    {1175, "Add a checksum list and a join script for Linux and macOS"},
    {1176, "\nWith the pieces: %1"},
    {1177, " To send only the messages that are missing, start the same job again (the wizard asks), or add /rsm to "
           "the command line."},
    {1178, "Messages 1 to %1 of %2 of this series were sent on %3. Send only messages %4 to %2?"},
    {1179, "There is no stopped series of '%1' to the same recipients, with the same subject and piece size, to "
           "finish (/rsm). Leave out /rsm to send the whole series."},
    {1180, "A stopped series of this file was kept in '%1', but %2, so the whole series is sent."},
    {1181, "'%1' has changed since"},
    {1182, "'%1' is no longer there"},
    {1183, "A stopped series of this file is kept in '%1' (messages 1 to %2 of %3 were sent on %4). The whole series "
           "is sent now; /rsm would send only the missing messages."},
    {1184, "Mail series kept for more than 30 days were removed: %1"},
    {1185, "its piece"},
    {1186, "its batch file"},
    {1187, "its checksum list"},
    {1188, "its join script"},
    {1189, "the rebuilt file"},
    {1190, "it has the name of its own piece %1, which the batch file would overwrite while it joins the pieces"},
    {1191, "'%1' cannot be split into '%2': while the pieces are written, the folder holds '%3', whose name would have "
           "%4 bytes, %5 more than the %6 that file names there may have. Shorten the name of '%1' or choose another "
           "folder, then try again."},
    {1192, "Cannot write '%1': %2.\nThe split was not finished and the incomplete file was removed. The folder's file "
           "system, or a limit on the size of files (ulimit -f), does not take pieces this large: choose a smaller "
           "piece size or another folder, then try again."},
    {1193, "Cannot write '%1': %2.\nThe file system of '%3' refuses this file; its name may hold a character that "
           "file system cannot store. Rename the file to split, or choose a folder on another file system, then try "
           "again."},
    {1194, "Cannot write '%1': %2.\nThe split was not finished and the incomplete file was removed. Choose another "
           "folder, then try again."},
    {1195, "%1 is missing. Put all pieces into this folder and start the batch file again."},
    {1196, "%1 could not be joined to %2."},
    {1197, "%1 was not rebuilt."},
    {1210, "The mail server %1 did not take the connection within %2 seconds"},
    {1211, "'%1' is not written in ASCII, and the mail server %2 does not offer SMTPUTF8, which such an address needs. "
           "Use a server that offers it, or an address in ASCII.%3 Nothing was split or sent."},
    {1212, " Written in ASCII, this address is %1."},
    {1213, " It went to %1 only."},
    {1214, "\nThe mails go over the network as it is."},
    {1215, "\nThe job stops, as the e-mail settings ask when the connection cannot be made."},
    {1216, "Stop the job when the connection cannot be made"},
    {1217, "Without this, the mails go over the network as it is when the connection cannot be made."},
    {1218, "Sent %1 messages to %2."},
    {1219, "Sent 1 message to %1."},
    {1220, "Brevimo could not open a window on display %1. Run it with /nui to work without one."},
    {1221, "'%1' is not the piece that was cut from it (its checksum differs)"},
    {1222,
     "A stopped series of this file was kept in '%1', but %2, and '%3' has changed since, so the missing messages "
     "cannot be made again. Nothing was sent. The kept series is dropped: start the job again to send the "
     "whole series."},
    {1223, "The pieces of the stopped series in '%1' were gone (%2). '%3' is unchanged, so they were cut again."},
    {1224, "Checking %1"},

    {4000, "E-Mail Settings"},
    {4001, "From:"},
    {4002, "Friendly Name:"},
    {4003, "E-Mail-Address:"},
    {4004, "Host:"},
    {4005, "Remote Access Service"},
    {4006, "Phonebook file: (Blank = Default)"},
    {4007, "Connection:"},
    {4008, "Default phonebook-file (rasphone.pbk)|rasphone.pbk|Phonebook-files (*.pbk)|*.pbk||"},
    {4009, "The phonebook-file. Leave this field blank to use NetworkManager's connections."},
    {4010, "Select phonebook-file"},
    {4011, "Your name, the 'from' name."},
    {4012, "Your e-mail adress, the 'from' adress."},
    {4013, "Your e-mail server (POP 3). Ask your provider, if you don't know this one."},
    {4014, "The connection to use, to contact your e-mail server."},
    {4015, "Disable the use of RAS, if you have a DSL or cable connection."},
    {5000, "Body Text"},
    {5001, "CC:"},
    {5002, "BCC:"},
    {5003, "Body text:"},
    {5004, "Save as default body text"},
    {5005, "Are you shure, of save the current body text as default body text,\nthat gets appended automaticaly to all "
           "subsequent Brevimo mails?"},
    {5006, "Enter E-Mail-Addresses separated by commas."},
    {5007, "Type your message body text here."},
    {9000, "Created using Brevimo Version "},
    {9001, "Brevimo splits large files into pieces and puts them together again."},
    {9002, "To get your own copy of Brevimo go to:"},
    {9003, BREVIMO_MAKER_ADDRESS},
    {9004, "Re-Assembling Split Pieces..."},
    {9005, "All Done."},
    {9006, "PLEASE CHANGE THE '.TXT' EXTENSION OF THIS FILE TO '.BAT'"},
    {9020, "Usage:\n\nSplit files into folder:\nBrevimo /src:<Source> /dst:<Destination-path>\n\nSplitmails:\nBrevimo "
           "[/src:<Source>] [/sze:<Size>] /sto:<Send-To> [/cco:<CC>] [/bcc:<BCC>] [/sbj:\"<Subject>\"] "
           "[/bdy:\"<Body>\"] [/nui]\n\n/src: = Source-Filename and path (must be a ZIP-File).\n/dst: = Destination "
           "path for file-spliting.\n/sze: = Size, can be: 512, 1, 1.44 or 2\n/sto: = Send-to e-mail address.\n/cco: "
           "= Carbon-copy, can be comma separated list (without spaces).\n/bcc: = Blind-carbon-copy, can be comma "
           "separated list (without spaces).\n/sbj: = Subject, enclosed in double quotes (\").\n/bdy: = Body-text, "
           "enclosed in double quotes (\").\n/nui = Do not display user interface."},
    {9021, "/rsm = Resume: send only the messages of a stopped series that are missing."},
    {10001, "OK"},
    {10002, "Cancel"},
    {10003, "All Files (*.*)|*.*||"},
    {10004, "ZIP Files (*.zip)|*.zip|All Files (*.*)|*.*||"},
};

static_assert(std::is_sorted(std::begin(kTable), std::end(kTable),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }),
              "the string table must stay sorted by id");

const Entry* find(int id) {
    auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                               [](const Entry& e, int wanted) { return e.id < wanted; });
    return it != std::end(kTable) && it->id == id ? it : nullptr;
}

} // namespace

StringTableError::StringTableError(int id)
    : std::out_of_range("string " + std::to_string(id) + " is not in the string table"), id_(id) {}

QString Text(int id) {
    if (const Entry* e = find(id))
        return QString::fromUtf8(e->text);
    throw StringTableError(id);
}
