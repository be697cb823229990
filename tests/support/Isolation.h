#pragma once

// Gives every test a temporary folder, HOME, XDG_CONFIG_HOME and XDG_STATE_HOME of its own, removed after it, so that
// tests running side by side never see each other's files. Call once before RUN_ALL_TESTS.
void IsolateEachTest();
