#include "app/Wizard.h"

#include "app/QtShell.h"
#include "app/ResStrings.h"

int RunWizard(SplitJob&, Settings&) {
    // The wizard's pages are not part of this version; say so rather than open an empty window.
    QtShell shell;
    shell.Fail(LoadResString(Res::WizardNotAvailable));
    return 1;
}
