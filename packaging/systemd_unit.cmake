# Runs at install time, like desktop_entry.cmake: a unit names the launcher by its
# full installed path, which the prefix of the install itself decides.
#
# Expects: unit_template (the .service.in), unit_name (the installed file's name),
# unit_folder (relative to the prefix), unit_staging (a build folder).
cmake_policy(VERSION 3.25)

# The launcher's path as the first word of ExecStart, by systemd's rules: quoted
# when it holds anything beyond plain characters, with \ and " escaped inside, and
# % doubled, since systemd would expand it (a $ stays: the command's own path is
# not where systemd expands variables).
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(EXEC "${prefix}/bin/Sonvira")
string(REPLACE "%" "%%" EXEC "${EXEC}")
if(EXEC MATCHES "[^A-Za-z0-9_./+,:@=$%-]")
  string(REPLACE "\\" "\\\\" EXEC "${EXEC}")
  string(REPLACE "\"" "\\\"" EXEC "${EXEC}")
  set(EXEC "\"${EXEC}\"")
endif()

file(READ "${unit_template}" unit)
string(CONFIGURE "${unit}" unit @ONLY)
string(MD5 destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(staged "${unit_staging}/units-${destination}/${unit_folder}/${unit_name}")
file(WRITE "${staged}" "${unit}")
file(INSTALL "${staged}"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/${unit_folder}"
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
