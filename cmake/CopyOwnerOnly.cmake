# cmake -DSOURCE=<file> -DDESTINATION=<file> -P CopyOwnerOnly.cmake
# Copies a file that may come to hold a password (the settings file) and makes
# the copy readable and writable by its owner only.
file(COPY_FILE "${SOURCE}" "${DESTINATION}")
file(CHMOD "${DESTINATION}" PERMISSIONS OWNER_READ OWNER_WRITE)
