# The release ZIP of the shipped 32-bit program: Dorvel.exe and a Russian readme.txt.
#   cmake --build --preset win32 --target package_zip   ->  build/win32/Varnitz-1.1.zip
# The same sources give the same bytes (tests/release/check_reproducible.sh checks it).
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    return()  # the 64-bit build is for testing only; nothing of it is shipped
endif()

# Debian's own interpreter first: its zlib is the one the reproducibility check was made with.
find_program(VARNITZ_PYTHON3 NAMES python3 HINTS /usr/bin REQUIRED)

set(VARNITZ_PACKAGE_NAME "Varnitz-${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
# The date of every entry: the release's, never the build's.
set(VARNITZ_RELEASE_DATE "2026-12-11T00:00:00")

set(zip "${CMAKE_BINARY_DIR}/${VARNITZ_PACKAGE_NAME}.zip")
set(make_zip "${CMAKE_SOURCE_DIR}/packaging/make_zip.py")
set(readme "${CMAKE_SOURCE_DIR}/packaging/readme-ru.txt")
# The readme's name stays ASCII: the ZIP folders of Windows XP and 7 read entry names in the
# OEM code page and would garble a Cyrillic one.
add_custom_command(
    OUTPUT "${zip}"
    COMMAND "${VARNITZ_PYTHON3}" "${make_zip}"
            --output "${zip}" --date "${VARNITZ_RELEASE_DATE}"
            --file "Dorvel.exe=$<TARGET_FILE:Dorvel>"
            --text "readme.txt=${readme}"
    DEPENDS Dorvel "${make_zip}" "${readme}"
    COMMENT "Packing ${VARNITZ_PACKAGE_NAME}.zip"
    VERBATIM)
add_custom_target(package_zip DEPENDS "${zip}")
