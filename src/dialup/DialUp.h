#pragma once

#include "dialup/NetworkManagerDialUp.h"

#include <QString>

// Dials entryName from the phonebook (NetworkManager's connections when it is empty). When the first attempt
// fails and a phonebook file is configured, dials once more with it. Throws ComponentError with the reason when
// the line is not up: NetworkManager's words, or the phonebook file that is missing.
void ConnectDialUp(const QString& phoneBook, const QString& entryName, NetworkManagerDialUp& ras);

void DisconnectDialUp(NetworkManagerDialUp& ras);
