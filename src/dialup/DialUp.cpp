#include "dialup/DialUp.h"

#include "core/ComponentError.h"
#include "core/Sentences.h"

#include <QFileInfo>

#include <optional>

namespace {

// Runs one step whose failure does not end the attempt; keeps the first failure.
template <typename F> void step(std::optional<ComponentError>& failed, F&& f) {
    try {
        f();
    } catch (const ComponentError& e) {
        if (!failed)
            failed = e;
    }
}

} // namespace

void ConnectDialUp(const QString& phoneBook, const QString& entryName, NetworkManagerDialUp& ras) {
    // The steps of the first attempt each go on after a failure; any failure means a second attempt.
    std::optional<ComponentError> failed;
    step(failed, [&] { ras.setPhoneBook(phoneBook); });
    step(failed, [&] { ras.entryName = entryName; });
    step(failed, [&] { ras.findEntry(); });
    step(failed, [&] { ras.blocking = true; });
    step(failed, [&] { ras.connect(); });
    if (!failed)
        return;
    // The default phonebook is NetworkManager's own list: nothing to search for, and NetworkManager said why.
    if (phoneBook.isEmpty())
        throw *failed;
    if (!QFileInfo(phoneBook).isFile())
        throw ComponentError(NetworkManagerDialUp::EntryNotFound, NoPhoneBookText(phoneBook));
    ras.findEntry();
    ras.connect();
}

void DisconnectDialUp(NetworkManagerDialUp& ras) {
    ras.disconnect();
}
