#pragma once

// On Windows the program is a window program and has no console of its own: started from a
// command prompt, its help, version and service log lines go to that prompt, and Ctrl+C there
// reaches it. Output that the caller redirected stays where it goes. Nothing to do elsewhere.
void attachParentConsole();
