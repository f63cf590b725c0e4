// Removed once the shell sources land.
namespace lumra_shell_placeholder { int unused = 0; }
