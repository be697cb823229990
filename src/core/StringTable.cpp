#include "core/StringTable.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

struct Entry {
    Res::Id id;
    const char* text; // UTF-8
};

// Sorted by id; looked up by binary search.
constexpr Entry kTable[] = {
    {Res::WelcomeText,
     "Welcome to Brevimo\n\nWith Brevimo you can split files into smaller parts. You can then send those parts "
     "as e-mails, without running into a server error because the attachment is too big. You can also use the "
     "splits to copy a large file onto several floppy disks to move it to another machine.\n\nYou can select "
     "more than one file and Brevimo will create a ZIP archive.\n\nTo run Brevimo from the command line, type: "
     "'brevimo --help'"},
    {Res::BackButton, "< Back"},
    {Res::NextButton, "Next >"},
    {Res::FinishButton, "Finish"},
    {Res::ShowWelcomeAgain, "Always show this screen"},
    {Res::AddFileButton, "Add File..."},
    {Res::ZipNameLabel, "File to split or ZIP archive:"},
    {Res::OpenButton, "Open..."},
    {Res::NewButton, "New..."},
    {Res::FilesLabel, "Files:"},
    {Res::AddFileTip, "Adds files to the ZIP archive"},
    {Res::RemoveTip, "Removes files from the ZIP archive"},
    {Res::OpenZipTitle, "Open the file to split or an existing ZIP archive"},
    {Res::NewZipTitle, "Create a new ZIP archive"},
    {Res::AddFileTitle, "Add files to the ZIP archive"},
    {Res::PieceSizeGroup, "Size of splits:"},
    {Res::MailOption, "Create splitmails:"},
    {Res::SendToLabel, "Send to:"},
    {Res::SubjectLabel, "Subject:"},
    {Res::MessageOptionsButton, "CC, BCC, Body text..."},
    {Res::MailSettingsButton, "Settings..."},
    {Res::FilesOption, "Create splitfiles on disk:"},
    {Res::FloppyOption, "Floppy disk A:\\"},
    {Res::FolderOption, "Folder:"},
    {Res::Size512k, "512 kB"},
    {Res::Size1M, "1 MB"},
    {Res::SizeFloppy, "1.44 MB (Floppy)"},
    {Res::Size2M, "2 MB"},
    {Res::SizeCustom, "Custom:"},
    {Res::DefaultBody,
     "Copy all attachments of all the mails of this series into a temporary folder, then double-click the "
     "batch file (*.BAT) to reassemble the file."},
    {Res::DefaultSubjectStart, "Splitmail of "},
    {Res::ChooseFolderTitle, "Select the folder for the splitfiles"},
    {Res::PiecesCreatedStart, "There were "},
    {Res::PiecesCreatedEnd, " splitfiles created."},
    {Res::WritingStart, "Writing: "},
    {Res::EmptyDiskQuestion,
     "Do you want to delete the files in the top folder of the disk in drive A:\\ ? Its folders are kept."},
    {Res::InsertAnotherDisk, "Please insert another disk into drive A:\\"},
    {Res::InsertDisk, "Please insert a disk into drive A:\\"},
    {Res::CopyingStart, "Copy: '"},
    {Res::CopiedStart, "Copied: '"},
    {Res::CopyToDrive, "' to A:\\"},
    {Res::InsertDiskStart, "Please insert disk "},
    {Res::NumberOf, " of "},
    {Res::InsertDiskEnd, " into drive A:\\"},
    {Res::DeletingTemporaryPieces, "Deleting the temporary splitfiles"},
    {Res::JobSucceeded, "The job was completed successfully."},
    {Res::NoPhoneBookStart, "Cannot find the connection list file: "},
    {Res::NoPhoneBookEnd, "Please choose it in the e-mail settings."},
    {Res::SendingMessageStart, "Send message:"},
    {Res::Connecting, "Connecting to the mail server..."},
    {Res::Disconnecting, "Disconnecting from the mail server..."},
    {Res::SummarySource, "\nBrevimo has collected the following information:\n\nSource file:'"},
    {Res::SummaryPieceSize, "'\nSplitfile size: "},
    {Res::SummarySendTo, " Bytes\n\nSend to: '"},
    {Res::SummaryCc, "'\nCC: '"},
    {Res::SummaryBcc, "'   BCC: '"},
    {Res::SummarySubject, "'\nSubject: '"},
    {Res::SummaryReady, "'\n\nBrevimo is ready to go. Please click 'Finish' to proceed."},
    {Res::SummaryFolder, " Bytes\n\nCreate splitfiles in the following folder:\n'"},
    {Res::SummaryNone, "<none>"},
    {Res::Footer,
     "\n\n---------------------------------------------------------------------------\nCreated using Brevimo. To "
     "get your own copy, go to: " BREVIMO_MAKER_ADDRESS},
    {Res::BatchAsText, "Send the batch file as text"},
    {Res::BatchAsTextTip,
     "Use this option if antivirus software or a firewall at the destination blocks the transmission of .BAT "
     "files."},
    {Res::RenameTxtNote,
     "\n\n******************************************************************\n\nPLEASE CHANGE THE EXTENSION "
     "OF THE *.TXT FILE FROM '.TXT' TO '.BAT'\n\n"
     "******************************************************************"},
    {Res::HostNotFound, "Host not found!"},

    {Res::NoSourceFile,
     "No file to split was given. Choose the file to split (on the command line: /src:<file>) and try again."},
    {Res::CannotReadSource, "Cannot read the file to split '%1': %2.\nCheck the name and try again."},
    {Res::CannotWrite,
     "Cannot write '%1': %2.\nThe split was not finished and the incomplete file was removed. Free some space "
     "or choose another folder, then try again."},
    {Res::BadCustomSize,
     "The custom size '%1' cannot be used. Give a number above 0 followed by MB or KB, for example 100 MB or "
     "64 KB."},
    {Res::TooManyPieces,
     "Splitting '%1' into pieces of %2 bytes would give %3 pieces; at most 32767 are possible. Choose a larger "
     "size."},
    {Res::UnsafeName,
     "The name '%1' holds %2, which the reassembly batch file cannot carry safely. Rename the file and try "
     "again."},
    {Res::NoSuchFolder, "The folder '%1' does not exist. Create it or choose another folder, then try again."},
    {Res::NeedsDisplay, "Brevimo needs a display to show its window. Run it with /nui to work without one."},
    {Res::SourceIsFolder, "'%1' is a folder, not a file. Choose the file to split and try again."},
    {Res::SettingsNotStored, "The settings could not be stored in '%1': %2."},
    {Res::NotAFolder, "'%1' is not a folder. Choose the folder for the pieces and try again."},
    {Res::BadPieceSize, "The piece size of %1 bytes cannot be used. Choose a size above 0."},
    {Res::OverwritesSource,
     "The pieces of '%1' would overwrite the file itself. Split it into another folder or rename it first."},
    {Res::SourceChanged,
     "'%1' changed while it was split: it no longer has the length it had when the split began. Try again when "
     "no other program writes to it."},
    {Res::PiecesKept, "The pieces are kept in '%1'."},
    {Res::NoMailServer,
     "No mail server is set. Enter the server and the sender's address in the e-mail settings (Host and "
     "FromEMailAddress in %1), then try again."},
    {Res::DialUpFailed,
     "The dial-up connection '%1' could not be made: %2\nCheck the connection in the e-mail settings, or "
     "switch the dial-up connection off there if you have a DSL or cable connection."},
    {Res::HangUpFailed,
     "The dial-up connection '%1' could not be ended: %2\nIt may still be up; end it in the network settings."},
    {Res::ZipFailed, "The archive '%1' was not changed.\n%2"},
    {Res::CannotCopy, "Cannot copy '%1' to '%2': %3."},
    {Res::CannotDelete, "Cannot delete '%1': %2."},
    {Res::DiskNotWritten, "The disk in '%1' could not be written to the end: %2. Check the disk, then write it again."},
    {Res::NotARegularFile,
     "'%1' is %2, not an ordinary file. Only ordinary files can be split; choose one and try again."},
    {Res::OtherSetInFolder,
     "The folder '%1' already holds '%2', which does not rebuild '%3'. Split into another folder, or move "
     "that set away first."},
    {Res::FolderBusy,
     "Another job is writing the pieces of '%1' into '%2' right now. Wait until it has finished, or choose "
     "another folder."},
    {Res::InTheWay,
     "'%1' is %2, not an ordinary file, and stands where a piece or the batch file goes. Remove it or choose "
     "another folder, then try again."},
    {Res::Stopped, "The split of '%1' was stopped by %2."},
    {Res::PiecesThere, "\n'%1' holds %2 and no batch file: the set is not complete. Split again to make a whole set."},
    {Res::NoPieceThere, "\nNo piece of '%1' was written."},
    {Res::ReceiverCannotRebuild, "The receiver cannot rebuild '%1': %2. Rename the file and try again."},
    {Res::DeviceName, "Windows keeps the name '%1' for a device"},
    {Res::TrailingDotOrBlank, "Windows drops a dot or blank at the end of a name"},
    {Res::OwnBatchName, "its batch file has the same name and would overwrite itself while it runs"},
    {Res::NameTooLong,
     "%1 '%2' would have %3 bytes, %4 more than the 255 a file name may have on Linux and macOS (on Windows 255 "
     "characters)"},
    {Res::CannotCreate, "Cannot write '%1': %2."},
    {Res::KindLink, "a symbolic link"},
    {Res::KindFolder, "a folder"},
    {Res::KindFifo, "a named pipe (FIFO)"},
    {Res::KindSocket, "a socket"},
    {Res::KindBlockDevice, "a block device"},
    {Res::KindCharDevice, "a character device"},
    {Res::To, " to "},
    {Res::NotAnOrdinaryFile, "it is %1, not an ordinary file"},
    {Res::BadAddress,
     "'%1' in %2 is not one e-mail address. Separate several addresses with ',' or ';' (a@example.com; "
     "b@example.com) and try again. Nothing was split or sent."},
    {Res::FieldSendTo, "Send to"},
    {Res::FieldCc, "CC"},
    {Res::FieldBcc, "BCC"},
    {Res::NoSender,
     "No sender address is set in the e-mail settings (%1). Type your e-mail address there and try again. "
     "Nothing was split or sent."},
    {Res::BadSender,
     "The sender address '%1' in the e-mail settings (%2) is not one e-mail address. Correct it there and try "
     "again. Nothing was split or sent."},
    {Res::NoRecipient,
     "There is no recipient. Type at least one e-mail address in Send to, CC or BCC and try again. Nothing was "
     "split or sent."},
    {Res::MessageNotSent, "Message %1 of %2 was not sent: %3."},
    {Res::MessagesSent, " Messages 1 to %1 were sent."},
    {Res::NoMessageSent, " No message was sent."},
    {Res::RecipientRefused, "the mail server refused the recipient %1 (%2)"},
    {Res::SenderRefused, "the mail server refused the sender %1 (%2)"},
    {Res::MessageRefused, "the mail server refused the message (%1)"},
    {Res::ServerAnswered, "the mail server answered %1 with '%2'"},
    {Res::TooLargeForServer,
     "The mail server %1 takes messages of up to %2 bytes, and the largest message of this series would reach it "
     "with about %3 bytes, the server's own lines counted. Nothing was sent. Choose a piece size of at most %4 "
     "bytes (a custom size of %5, on the command line /sze:%5) and try again."},
    {Res::MessageSizeNote, " Bytes\nMessage size: about %1"},
    {Res::NotATextFile, "it is not a text file"},
    {Res::NotASettingLine, "line %1 is neither a setting nor a section"},
    {Res::CannotSetAside, "it could not be renamed to keep it"},
    {Res::SettingsSetAside,
     "The settings file '%1' could not be read (%2). It was kept as '%3', and a new one holds the settings from "
     "now on."},
    {Res::NoFolder, "its folder cannot be made"},
    {Res::SettingsNotKept, "%1 This run goes on with the settings in memory, but the next one will not remember: %2."},
    {Res::NoDialUpHere,
     "Dial-up is switched on in the e-mail settings, but NetworkManager does not answer here, so '%1' is not "
     "dialled. Switch dial-up off in the e-mail settings when this machine needs none."},
    {Res::StoppedBy, "the job was stopped by %1"},
    {Res::StopTheJob,
     "A job is running. Stop it and close the window? What was done so far is told when it has stopped."},
    {Res::ForeignReceiverFile,
     "The folder '%1' already holds '%2', which Brevimo did not write. Move that file away, split into another "
     "folder, or turn off the checksum list and join script on the destination page."},
    {Res::NamedLikeReceiverFile,
     "'%1' has the name of its own checksum list or join script. Rename it, or turn off the checksum list and "
     "join script on the destination page."},
    {Res::CannotReadBack, "The pieces in '%1' could not be read back for their checksums: %2."},
    {Res::ReceiverFilesNote,
     "\n\n%1 holds a checksum of every piece and of the whole file; on Linux or macOS, 'sh %2' in the folder "
     "with the pieces checks them, rebuilds the file and checks it too."},
    {Res::ReceiverFilesOption, "Add a checksum list and a join script for Linux and macOS"},
    {Res::WithThePieces, "\nWith the pieces: %1"},
    {Res::ResumeHint,
     " To send only the messages that are missing, start the same job again (the wizard asks), or add /rsm to "
     "the command line."},
    {Res::ResumeQuestion, "Messages 1 to %1 of %2 of this series were sent on %3. Send only messages %4 to %2?"},
    {Res::NoSeriesToResume,
     "There is no stopped series of '%1' to the same recipients, with the same subject and piece size, to "
     "finish (/rsm). Leave out /rsm to send the whole series."},
    {Res::SeriesNotUsed, "A stopped series of this file was kept in '%1', but %2, so the whole series is sent."},
    {Res::SeriesSourceChanged, "'%1' has changed since"},
    {Res::SeriesPieceGone, "'%1' is no longer there"},
    {Res::PartialSeriesExists,
     "A stopped series of this file is kept in '%1' (messages 1 to %2 of %3 were sent on %4). The whole series "
     "is sent now; /rsm would send only the missing messages."},
    {Res::OldSeriesRemoved, "Mail series kept for more than 30 days were removed: %1"},
    {Res::KindPiece, "its piece"},
    {Res::KindBatchFile, "its batch file"},
    {Res::KindChecksumList, "its checksum list"},
    {Res::KindJoinScript, "its join script"},
    {Res::KindRebuiltFile, "the rebuilt file"},
    {Res::OwnPieceName,
     "it has the name of its own piece %1, which the batch file would overwrite while it joins the pieces"},
    {Res::FolderNameTooLong,
     "'%1' cannot be split into '%2': while the pieces are written, the folder holds '%3', whose name would have "
     "%4 bytes, %5 more than the %6 that file names there may have. Shorten the name of '%1' or choose another "
     "folder, then try again."},
    {Res::FileTooLarge,
     "Cannot write '%1': %2.\nThe split was not finished and the incomplete file was removed. The folder's file "
     "system, or a limit on the size of files (ulimit -f), does not take pieces this large: choose a smaller "
     "piece size or another folder, then try again."},
    {Res::NameRefused,
     "Cannot write '%1': %2.\nThe file system of '%3' refuses this file; its name may hold a character that "
     "file system cannot store. Rename the file to split, or choose a folder on another file system, then try "
     "again."},
    {Res::CannotWriteThere,
     "Cannot write '%1': %2.\nThe split was not finished and the incomplete file was removed. Choose another "
     "folder, then try again."},
    {Res::BatchPieceMissing, "%1 is missing. Put all pieces into this folder and start the batch file again."},
    {Res::BatchCopyFailed, "%1 could not be joined to %2."},
    {Res::BatchNotRebuilt, "%1 was not rebuilt."},
    {Res::NotConnectedWithin, "The mail server %1 did not take the connection within %2 seconds"},
    {Res::NeedsSmtpUtf8,
     "'%1' is not written in ASCII, and the mail server %2 does not offer SMTPUTF8, which such an address needs. "
     "Use a server that offers it, or an address in ASCII.%3 Nothing was split or sent."},
    {Res::AsciiForm, " Written in ASCII, this address is %1."},
    {Res::DeliveredOnly, " It went to %1 only."},
    {Res::MailsGoAnyway, "\nThe mails go over the network as it is."},
    {Res::DialUpStopsJob, "\nThe job stops, as the e-mail settings ask when the connection cannot be made."},
    {Res::StopWithoutDialUp, "Stop the job when the connection cannot be made"},
    {Res::StopWithoutDialUpTip,
     "Without this, the mails go over the network as it is when the connection cannot be made."},
    {Res::SentMessages, "Sent %1 messages to %2."},
    {Res::SentMessage, "Sent 1 message to %1."},
    {Res::CannotOpenWindow, "Brevimo could not open a window on display %1. Run it with /nui to work without one."},
    {Res::PieceChanged, "'%1' is not the piece that was cut from it (its checksum differs)"},
    {Res::SeriesCannotBeFinished,
     "A stopped series of this file was kept in '%1', but %2, and '%3' has changed since, so the missing messages "
     "cannot be made again. Nothing was sent. The kept series is dropped: start the job again to send the "
     "whole series."},
    {Res::PiecesCutAgain,
     "The pieces of the stopped series in '%1' were gone (%2). '%3' is unchanged, so they were cut again."},
    {Res::Checking, "Checking %1"},
    {Res::NotAZipArchive, "Not a ZIP archive: the file is split as it is."},
    {Res::ZipNotListed, "The ZIP archive cannot be listed: the file is split as it is."},
    {Res::MendBeforeFinish, "%1\nClick '< Back' to change it; 'Finish' waits until then."},
    {Res::OnePieceCreated, "There was 1 splitfile created."},
    {Res::UsageTerminal, "--help, -h = Show this text.\n--version = Show the version."},
    {Res::CustomSizeName, "Custom piece size"},
    {Res::CustomSizeHint, "A number and KB or MB, such as 851 KB or 100 MB"},
    {Res::FolderFieldName, "Folder for the pieces"},
    {Res::ProgressName, "Progress of the job"},
    {Res::ServerLabel, "Server:"},
    {Res::PortLabel, "Port:"},
    {Res::SecurityLabel, "Security:"},
    {Res::SignInLabel, "Sign-in:"},
    {Res::UserLabel, "User name:"},
    {Res::PasswordLabel, "Password:"},
    {Res::TestButton, "Test"},
    {Res::SecurityChoices, "STARTTLS|SSL/TLS|None"},
    {Res::SignInChoices, "None|Password|OAuth2"},
    {Res::BadPort, "'%1' is no port: enter a number from 1 to 65535."},
    {Res::BadServer, "'%1' is no server name or address: enter a name such as smtp.example.org."},
    {Res::NoServerGiven, "Enter the outgoing mail server."},
    {Res::TestSignedIn, "Signed in to %1 as %2"},
    {Res::TestConnected, "Connected to %1, which asked for no sign-in"},
    {Res::TestSizeLimit, "; messages up to %1"},
    {Res::TestFailed, "The test failed: %1"},
    {Res::NoKeyring,
     "No keyring is available (%1): the password is kept only until Brevimo ends. Set PasswordCommand, or start "
     "the desktop's keyring, to keep it."},
    {Res::PasswordInKeyring, "kept in the keyring"},
    {Res::LoginRefused,
     "The mail server %1 refused the sign-in of %2: \"%3\". Change the user name or the password in the e-mail "
     "settings, or run brevimo /login."},
    {Res::NoPassword,
     "No password for %1 on %2 is in the keyring, PasswordCommand or ~/.netrc. Enter it in the e-mail settings, "
     "or run brevimo /login."},
    {Res::LoginPrompt, "Password for %1 on %2: "},
    {Res::LoginKept, "Signed in to %1 as %2; the password is kept in the keyring."},
    {Res::BadMailSetting, "The mail setting %1 in %2 cannot be used: %3"},
    {Res::PasswordNeedsEncryption,
     "a password is never sent over a line that is not encrypted. Choose STARTTLS or SSL/TLS, or no sign-in."},
    {Res::SourceProviderList, "Brevimo's list of providers"},
    {Res::SourceAutoconfig, "the autoconfig file at %1"},
    {Res::SourceDnsRecord, "the DNS record %1"},
    {Res::LookupNoDomain, "'%1' is not an e-mail address with a domain name, such as jo@example.org."},
    {Res::LookupNothingFound,
     "No outgoing mail server was found for %1:\n%2\nAsk your provider for the outgoing (SMTP) server, its port and "
     "its security, and type them in."},
    {Res::LookupNoAnswer, "no answer within %1 seconds"},
    {Res::AutoconfigInvalid, "not a valid autoconfig file (line %1, column %2): %3"},
    {Res::AutoconfigNotClientConfig, "not a clientConfig file (another root element or a document type declaration)"},
    {Res::AutoconfigNoSmtp, "names no outgoing (SMTP) server that Brevimo can use"},
    {Res::AutoconfigTooLarge, "larger than %1 KB, not read"},
    {Res::AutoconfigInsecureRedirect, "redirects to an address that is not HTTPS, not followed"},
    {Res::AutoconfigNotHttps, "not an HTTPS address, not fetched"},
    {Res::SrvNoRecord, "no such record"},
    {Res::SrvNoService, "the domain says it offers no mail submission here (target \".\")"},
    {Res::SrvFailed, "the lookup failed: %1"},
    {Res::ServerFoundIn, "Found in %1; change them if your provider says otherwise."},
    {Res::LookingForServer, "Looking for the outgoing mail server of %1..."},
    {Res::UsageLogin,
     "Sign in to the mail server:\nbrevimo /login\n/login = Sign in to the server of the stored mail account and "
     "keep the password in the desktop's keyring; the password is read without echo, or as one line from standard "
     "input. With Login=oauth2 the sign-in is in the browser, and the keyring keeps it."},
    {Res::OAuthBadEndpoint, "'%1' cannot be an address of the sign-in: it must be https (plain http only on this "
                            "computer's loopback address)."},
    {Res::OAuthNoProvider,
     "Brevimo does not know how to sign in to '%1' with OAuth2. Set OAuthAuthorizeUrl, OAuthTokenUrl and OAuthScope in "
     "%2 to your provider's, or sign in another way: with your account in GNOME Online Accounts, or with TokenCommand "
     "and a tool such as oama or mailctl."},
    {Res::OAuthNoClientId,
     "This build of Brevimo has no client id for the sign-in with %1. Set OAuthClientId (and OAuthClientSecret, if %1 "
     "gave you one) in %2 to a client id registered with %1, or sign in another way: with your account in GNOME Online "
     "Accounts, or with TokenCommand and a tool such as oama or mailctl."},
    {Res::OAuthNoAnswer, "The sign-in with %1 failed: %2"},
    {Res::OAuthNotSignedIn,
     "%1 has not signed in with %2 yet. Run brevimo /login, or click Sign In... in the e-mail settings."},
    {Res::OAuthNoKeyring, "The sign-in of %1 with %2 is kept in the keyring, which cannot be read (%3). Start the "
                          "desktop's keyring, or set TokenCommand."},
    {Res::OAuthSignInAgain, "%1 no longer takes the sign-in of %2 (%3). Sign in again: run brevimo /login, or click "
                            "Sign In... in the e-mail settings."},
    {Res::OAuthRefused, "%1 refused the sign-in: %2 %3"},
    {Res::OAuthTimeLimit,
     "No sign-in with %1 came from the browser within %2 minutes; nothing was kept. Sign in again to try once more."},
    {Res::OAuthNotKept,
     "The sign-in with %1 worked, but the keyring did not keep it (%2): it serves only until Brevimo ends. Start the "
     "desktop's keyring and sign in again, or set TokenCommand."},
    {Res::OAuthCancelled, "The sign-in was cancelled; nothing was kept."},
    {Res::OAuthStateMismatch, "The answer the browser brought does not belong to this sign-in with %1 (its state "
                              "differs): it was refused and nothing was kept. Sign in again."},
    {Res::OAuthDenied, "Brevimo was not allowed to send mail with %1: nothing was kept. Sign in again and allow it, or "
                       "choose another sign-in."},
    {Res::LoginNothingToKeep, "Login=oauth2 in %1 takes its access tokens from %2, which needs no browser sign-in."},
    {Res::OAuthCloseTab, "Brevimo is signed in. You can close this tab."},
    {Res::OAuthOpenPage, "Sign in with %1 in your browser. If no browser opened, open this address:\n%2"},
    {Res::OAuthSignedIn, "Signed in as %1 with %2; the sign-in is kept in the keyring."},
    {Res::SignInButton, "Sign In..."},
    {Res::SignInAgainQuestion, "%1\n\nSign in again in the browser now?"},
    {Res::GnomeNoService,
     "GNOME Online Accounts cannot be reached (%1). Sign in to a GNOME session that keeps the account, or choose "
     "another sign-in in the e-mail settings."},
    {Res::GnomeNoAccount,
     "GNOME Online Accounts holds no mail account for %1. Add it in GNOME Settings > Online Accounts, or choose "
     "another sign-in in the e-mail settings."},
    {Res::GnomeAttention,
     "The GNOME account %1 (%2) needs you to sign in again: open GNOME Settings > Online Accounts, sign in there, "
     "then run the job again."},
    {Res::GnomeFailed, "GNOME Online Accounts gave nothing to sign in with for %1 (%2): %3"},
    {Res::BearerRefused,
     "The mail server %1 refused the access token of %2 from %3: \"%4\". Check that the account may send mail "
     "over SMTP, and sign in to it again."},
    {Res::BearerNeedsEncryption,
     "an access token is never sent over a line that is not encrypted. Choose STARTTLS or SSL/TLS."},
    {Res::GnomeOffer, "Use the GNOME account %1 (%2)"},
    {Res::GnomeOfferTip,
     "Sign in with the account GNOME Settings > Online Accounts keeps: its server, and a fresh token for every "
     "connection."},
    {Res::FromGnome, "GNOME Online Accounts (%1)"},
    {Res::FromBrowser, "the browser sign-in"},
    {Res::OAuthAnswerNoToken, "its answer (HTTP %1) holds no usable access token"},
    {Res::OAuthAnswerNotBearer, "it gave a token of type '%1', which a mail server does not take (it takes Bearer)"},
    {Res::OAuthAnsweredBefore,
     "This sign-in had its answer already, or has ended: this page changed nothing. You can close this tab."},
    {Res::BearerNotOffered,
     "The mail server %1 takes no access token: it offers neither OAUTHBEARER nor XOAUTH2, so nothing was sent. Choose "
     "another sign-in in the e-mail settings, such as Password."},
    {Res::CancelSignIn, "Cancel Sign-In"},
    {Res::UsageJoin,
     "Join a set of pieces:\nbrevimo /join:<Piece-or-folder> [/dst:<Destination-path>] [/nui]\n/join: = A piece of a "
     "set, its checksum list, batch file or join script, or the folder that holds them: the pieces are checked and "
     "joined into the file they were split from."},
    {Res::JoinBadLine,
     "Line %2 of '%1' cannot be used: %3\n    %4\nNothing was joined. The file may be damaged or come "
     "from somebody else: ask the sender for the set again."},
    {Res::JoinLeavesFolder, "the name '%1' leads out of the folder of the set"},
    {Res::JoinControlChar, "the name '%1' holds a control character"},
    {Res::JoinDeviceName, "the name '%1' names a device, not a file"},
    {Res::JoinNotListLine, "it is not a line of a checksum list (64 hexadecimal digits, two blanks, a file name)"},
    {Res::JoinNotCopyLine, "it is not a copy line of a batch file that joins a set of pieces"},
    {Res::JoinNotPieceOf, "'%1' is not the piece of %2 that belongs here (%3)"},
    {Res::JoinRepeatedPiece, "the piece '%1' is joined twice"},
    {Res::JoinListTooShort, "'%1' names no piece: a checksum list of a set names each piece, then the file they "
                            "rebuild. Nothing was joined."},
    {Res::JoinNotSetFile,
     "'%1' is not a piece, checksum list, join script or batch file of a set of pieces (those "
     "are named like report.001, report.sha256, report.sh and report.bat). Open one of them, or their folder."},
    {Res::JoinNoSet, "The folder '%1' holds no numbered pieces (such as report.001). Choose the folder that "
                     "holds the pieces, or open one of them."},
    {Res::JoinSeveralSets, "The folder '%1' holds the pieces of more than one set (%2). Open a piece of the set to "
                           "join."},
    {Res::JoinMissing, "These pieces of '%1' are missing: %2.\nLooked in: %3.\nNothing was joined. Copy the missing "
                       "pieces beside the others, or add the folder that holds them, then try again."},
    {Res::JoinDamaged, "These pieces are not the ones '%1' names (damaged, or of another file): %2.\nNothing was "
                       "joined. Ask the sender for these pieces again."},
    {Res::JoinWholeBad, "The joined pieces are not '%1' as it was split: its checksum is not the one in '%2'. "
                        "Nothing was written."},
    {Res::JoinSizesDiffer, "These pieces are not as long as %2, as every piece of a set but the last is: %1. They may "
                           "be damaged or belong to another set. Nothing was joined."},
    {Res::JoinCannotRead, "Cannot read '%1': %2. Nothing was joined."},
    {Res::JoinCannotWrite, "Cannot write '%1': %2. Nothing was joined: choose another folder, then try again."},
    {Res::JoinPieceChanged, "The piece '%1' changed while it was joined. Nothing was written: join the set again "
                            "when nothing writes to its pieces."},
    {Res::JoinStopped, "The join into '%1' was stopped by %2. Nothing was written."},
    {Res::JoinReplace, "'%1' is there already. Replace it with the file joined from the pieces?"},
    {Res::JoinNotReplaced, "'%1' is there already and was not replaced. Nothing was joined: choose another folder, or "
                           "move that file away, then try again."},
    {Res::JoinNoRoom, "The folder '%1' has %2 bytes free, and '%3' needs %4. Nothing was joined: make room or "
                      "choose another folder, then try again."},
    {Res::JoinDone, "'%1' is rebuilt from %2 pieces, and each piece and the file have the checksums in '%3'."},
    {Res::JoinDoneUnchecked, "'%1' is rebuilt from %2 pieces, without a check: there was no checksum list beside "
                             "them."},
    {Res::JoinProgress, "Joining %1"},
    {Res::JoinCopyFailed, "Cannot join '%1' into the file: %2. Nothing was written."},
    {Res::JoinNotRegular, "'%1' is %2, not a piece. Nothing was joined."},
    {Res::JoinNameIsPiece, "'%1' is a piece of the set itself. Nothing was joined: choose another folder or name."},
    {Res::JoinInTheWay, "'%1' is %2 and stands where the file would go. Nothing was joined: choose another "
                        "folder."},
    {Res::JoinIntro, "Brevimo checks the pieces of a file and joins them into the file they were split from."},
    {Res::JoinFolderLabel, "Into folder:"},
    {Res::JoinNameLabel, "File name:"},
    {Res::JoinAddFolderButton, "Add Folder..."},
    {Res::JoinSplitInsteadButton, "Split This File Instead"},
    {Res::JoinFound, "%1 of %2 pieces found (%3 bytes): %4.\nRead from: %5"},
    {Res::JoinFreeSpace, "Free in the folder: %1 bytes."},
    {Res::JoinMissingLine, "Missing: %1. Copy them beside the others, or add the folder that holds them."},
    {Res::JoinNumberedOnly, "the numbered pieces alone (no checksum list or batch file beside them: the pieces "
                            "cannot be checked, and the name of the file is a guess)"},
    {Res::NoRemovableDisk, "No USB stick or memory card is plugged in that Brevimo can write to. Plug one in, then "
                           "press OK."},
    {Res::EmptyRemovableDisk, "Do you want to delete the contents of the disk '%1' (%2)?"},
    {Res::AnotherRemovableDisk, "Please plug in another USB stick or memory card, then press OK."},
    {Res::NextRemovableDisk, "Plug in disk %1 of %2 (a USB stick or memory card), then press OK."},
    {Res::DiskTakenOut, "The disk '%1' was taken out while '%2' was written to it as disk %3. Plug it in again, or "
                        "another disk, then press OK to write disk %3 again."},
    {Res::FileTooLargeForDisk, "The disk '%1' (%2) takes files of at most %3 bytes, and the pieces are %4 bytes. Plug "
                               "in a disk formatted as exFAT, NTFS or ext4, then press OK."},
    {Res::PieceTooLargeForDisk, "Pieces of %1 bytes do not fit on the disk '%2': %3 takes files of at most %4 bytes. "
                                "Choose a custom size of at most %5 MB, or use a disk formatted as exFAT."},
    {Res::DiskReadMeNote, "\n\nThis is disk %1 of %2. It holds %3 of the %4 pieces. Copy the pieces of all disks "
                          "into one folder; the batch file and the join script are on the last disk."},
    {Res::DiskNotUnmounted, "The disk '%1' is written, but it could not be unmounted: %2. Unmount it in the file "
                            "manager before you pull it out."},
    {Res::DiskNotMounted, "The disk '%1' (%2) could not be mounted: %3. Press OK to try again, or pull it out and plug "
                          "in another one."},
    {Res::RemovableDisksOption, "USB sticks and memory cards"},
    {Res::RemovableDiskMounted, "%1 (%2): %3, %4 free"},
    {Res::RemovableDiskNotMounted, "%1 (%2): %3, not mounted"},
    {Res::NoRemovableDiskListed, "No USB stick or memory card is plugged in; Brevimo will ask for one."},
    {Res::RemovableDisksName, "USB sticks and memory cards plugged in"},
    {Res::NoDiskService, "The desktop's disk service (UDisks2) does not answer, so no USB stick can be found. Choose "
                         "the disks again on the destination page."},
    {Res::PieceRange, "%1 to %2"},
    {Res::SummaryDisks, " Bytes\n\nCreate splitfiles on:\n'"},
    {Res::MailSettingsTitle, "E-Mail Settings"},
    {Res::FromGroup, "From:"},
    {Res::FriendlyNameLabel, "Friendly Name:"},
    {Res::AddressLabel, "E-mail address:"},
    {Res::HostGroup, "Host:"},
    {Res::DialUpBox, "Dial-up connection"},
    {Res::PhoneBookLabel, "Connection list file: (blank = NetworkManager's)"},
    {Res::ConnectionLabel, "Connection:"},
    {Res::PhoneBookFilter, "Connection list (rasphone.pbk)|rasphone.pbk|Connection lists (*.pbk)|*.pbk||"},
    {Res::PhoneBookTip,
     "A file that lists the connections. Leave this field blank to use NetworkManager's connections."},
    {Res::PhoneBookTitle, "Select the connection list file"},
    {Res::FriendlyNameTip, "Your name, the 'from' name."},
    {Res::AddressTip, "Your e-mail address, the 'from' address."},
    {Res::HostTip, "Your outgoing mail server (SMTP). Ask your provider if you don't know it."},
    {Res::ConnectionTip, "The connection to use to reach your e-mail server."},
    {Res::DialUpTip, "Switch the dial-up connection off if you have a DSL or cable connection."},
    {Res::MessageOptionsTitle, "Body Text"},
    {Res::CcLabel, "CC:"},
    {Res::BccLabel, "BCC:"},
    {Res::BodyLabel, "Body text:"},
    {Res::SaveAsDefault, "Save as default body text"},
    {Res::SaveAsDefaultQuestion,
     "Are you sure you want to save the current body text as the default body text,\nwhich is appended "
     "automatically to all subsequent Brevimo mails?"},
    {Res::AddressesTip, "Enter e-mail addresses separated by commas."},
    {Res::BodyTip, "Type your message body text here."},
    {Res::BatchCreatedWith, "Created using Brevimo Version "},
    {Res::BatchAbout, "Brevimo splits large files into pieces and puts them together again."},
    {Res::BatchGetCopy, "To get your own copy of Brevimo go to:"},
    {Res::MakerAddress, BREVIMO_MAKER_ADDRESS},
    {Res::BatchJoining, "Reassembling the split pieces..."},
    {Res::BatchAllDone, "All Done."},
    {Res::BatchRenameTxt, "PLEASE CHANGE THE '.TXT' EXTENSION OF THIS FILE TO '.BAT'"},
    {Res::Usage,
     "Usage:\n\nSplit files into folder:\nbrevimo /src:<Source> /dst:<Destination-path>\n\nSplitmails:\nbrevimo "
     "[/src:<Source>] [/sze:<Size>] /sto:<Send-To> [/cco:<CC>] [/bcc:<BCC>] [/sbj:\"<Subject>\"] "
     "[/bdy:\"<Body>\"] [/nui]\n\n/src: = The file to split, with its path (any file, or a ZIP archive).\n"
     "/dst: = Destination path for file splitting.\n/sze: = Size, can be: 512, 1, 1.44 or 2, or a custom size "
     "such as 851KB or \"100 MB\".\n/sto: = Send-to e-mail address.\n/cco: = Carbon copy, can be a comma "
     "separated list (in double quotes if it holds spaces).\n/bcc: = Blind carbon copy, can be a comma separated "
     "list (in double quotes if it holds spaces).\n/sbj: = Subject, enclosed in double quotes (\").\n/bdy: = "
     "Body text, enclosed in double quotes (\").\n/nui = Do not display the user interface."},
    {Res::UsageResume, "/rsm = Resume: send only the messages of a stopped series that are missing."},
    {Res::OkButton, "OK"},
    {Res::CancelButton, "Cancel"},
    {Res::AllFilesFilter, "All Files (*.*)|*.*||"},
    {Res::ZipFilesFilter, "ZIP Files (*.zip)|*.zip|All Files (*.*)|*.*||"},
};

static_assert(std::is_sorted(std::begin(kTable), std::end(kTable),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }),
              "the string table must stay sorted by id");

const Entry* find(Res::Id id) {
    auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                               [](const Entry& e, Res::Id wanted) { return e.id < wanted; });
    return it != std::end(kTable) && it->id == id ? it : nullptr;
}

} // namespace

StringTableError::StringTableError(int id)
    : std::out_of_range("string " + std::to_string(id) + " is not in the string table"), id_(id) {}

QString Text(Res::Id id) {
    if (const Entry* e = find(id))
        return QString::fromUtf8(e->text);
    throw StringTableError(id);
}
