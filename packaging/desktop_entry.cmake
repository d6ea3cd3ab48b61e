# Runs at install time, when the prefix is known: it may differ from the one
# configured (cmake --install --prefix), so the menu entries cannot be written
# before. An entry names its launcher by the full installed path, so that the menu
# starts it from any prefix, on PATH or not.
#
# Expects: entry_template (the .desktop.in), entry_name (the installed file's
# name), launcher (the launcher's name in bin/), entry_staging (a build folder).
# Install scripts run without the project's policies.
cmake_policy(VERSION 3.25)

# The launcher's path as one argument of Exec, by the desktop entry rules: quoted
# when it holds anything beyond plain characters, with ", `, $ and \ escaped inside
# the quotes; then, as for any value, \ doubled, and % doubled for the field codes.
# A relative prefix is taken from the folder the install runs in, as the install
# itself takes it.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(exec "${prefix}/bin/${launcher}")
if(exec MATCHES "[^A-Za-z0-9_./+,:@=-]")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")

file(READ "${entry_template}" entry)
string(CONFIGURE "${entry}" entry @ONLY)
# Staged under a name of its own for each destination: two installs at once (the
# package beside a plain install) must not take each other's entry.
string(MD5 destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(staged "${entry_staging}/entries-${destination}/${entry_name}")
file(WRITE "${staged}" "${entry}")
file(INSTALL "${staged}"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications"
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
