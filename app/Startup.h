#pragma once

// Creates the program's long-lived objects, each a single global instance, in
// their fixed order: the main window, the data module, the login dialog, the
// import window and the SAMO client. Nothing connects to a database here.
void createApplicationObjects();
// Destroys them in reverse order; safe after a partial creation.
void destroyApplicationObjects();
