// Whether the standard streams are terminals.
#pragma once

bool StdoutIsTerminal();
bool StderrIsTerminal();
