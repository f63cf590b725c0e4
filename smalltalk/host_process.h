// The host process as the script system sees it: environment variables,
// the random generator, pausing and the command processor.
#pragma once

#include <optional>
#include <string>

// The value of an environment variable; a leading "$" of the name is dropped.
// "HOME" reads HOME; "LANG" answers the locale name of the user's language
// instead of the variable. nullopt when the variable is not set.
std::optional<std::string> lookupEnvironment(std::string name);

// Sets a variable in the process environment; false when the platform refuses
// (an empty name or one holding "=").
bool setEnvironment(const std::string& name, const std::string& value);

// Hands a "name=value" text to putenv; the copy given is kept for the rest of
// the run, as the platform keeps the pointer. Answers putenv's result.
int putEnvironment(const std::string& assignment);

// The next value of the standard generator reduced to 15 bits (0 .. 32767).
int random15();
void seedRandom(unsigned seed);

// Pauses the whole program; negative counts do not pause.
void sleepMilliseconds(long long ms);

// Runs a command line through the command processor after flushing the
// standard streams; answers the command's exit status, -1 when it did not
// end normally (killed by a signal) or could not be started.
int runCommand(const std::string& command);
