// The ovimg sub-commands; each returns the process exit code.
#pragma once

namespace ovimg {

int infoCommand(int argc, char** argv);
int convertCommand(int argc, char** argv);

}  // namespace ovimg
