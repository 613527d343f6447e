#pragma once

// The program's entry: refuses a second copy (which brings the first one forward instead), then
// shows the main window and runs until it closes.
namespace modMain {

int Main(int argc, char **argv);

} // namespace modMain
