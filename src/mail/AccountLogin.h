#pragma once

class Settings;
class Shell;

// brevimo /login. With Login=oauth2: the sign-in in the browser, whose refresh token the keyring keeps. Else reads the
// password of the stored account (without echo from a terminal, else one line of the input), signs in to the server
// with it and keeps it in the keyring. True only when the sign-in worked and the keyring keeps it; every failure is
// told through the shell.
bool LogInStoredAccount(Settings& settings, Shell& shell, int inputFd);
