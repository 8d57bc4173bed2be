# Writes chpimport-VERSION-win64.msi from the staged install tree: CPack's External generator
# runs this script after staging (see cmake/packaging.cmake).
#
# wixl builds the package from chpimport.wxs; msibuild then adds what wixl cannot express:
# the per-user-or-machine registry root, 64-bit components, component and feature conditions,
# the PATH entry (Environment table) and the search for the current .CHP owner.

set(stage "${CPACK_TEMPORARY_DIRECTORY}")
set(msi "${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi")
file(REMOVE "${msi}")

# wixl finds sources only by paths relative to where it runs: run it in the staged tree, with
# the icon (which is not installed as a file) beside it for the while.
file(COPY_FILE "${CPACK_CHPIMPORT_ICON}" "${stage}/product.ico")
execute_process(
    COMMAND "${CPACK_CHPIMPORT_WIXL}" -a x64 -o "${msi}"
            -D "Version=${CPACK_PACKAGE_VERSION}" -D "Manufacturer=${CPACK_PACKAGE_VENDOR}"
            -D "HelpUrl=${CPACK_CHPIMPORT_HELP_URL}" -D "Stage=." -D "Icon=product.ico"
            "${CPACK_CHPIMPORT_WXS}"
    WORKING_DIRECTORY "${stage}" RESULT_VARIABLE failed ERROR_VARIABLE errors)
file(REMOVE "${stage}/product.ico")
if(failed)
    message(FATAL_ERROR "wixl failed:\n${errors}")
endif()

set(queries
    # wixl writes HKMU as 4; Windows Installer's value is -1 (HKCU per user, HKLM per machine).
    "UPDATE `Registry` SET `Root` = -1 WHERE `Root` = 4"
    # 4: the key is a registry value; 256: 64-bit (its values stay out of WOW6432Node).
    "UPDATE `Component` SET `Attributes` = 260"
    # .CHP's default only when nobody else has it, or it is ours from an earlier version.
    "UPDATE `Component` SET `Condition` = 'NOT CHPOWNER OR CHPOWNER=\"chpimport.Project\"' WHERE `Component` = 'DefaultOwner'"
    "UPDATE `Component` SET `Condition` = 'ALLUSERS<>1' WHERE `Component` = 'PathUser'"
    "UPDATE `Component` SET `Condition` = 'ALLUSERS=1' WHERE `Component` = 'PathMachine'"
    # The default value of HKCR\.CHP, raw (2), 64-bit view (16).
    "INSERT INTO `RegLocator` (`Signature_`, `Root`, `Key`, `Type`) VALUES ('ChpOwner', 0, '.CHP', 18)"
    "CREATE TABLE `Condition` (`Feature_` CHAR(38) NOT NULL, `Level` SHORT NOT NULL, `Condition` CHAR(255) PRIMARY KEY `Feature_`, `Level`)"
    "INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) VALUES ('AddToPath', 1, 'ADDTOPATH=1')"
    # =-: set at install, removed at uninstall; [~]; appends to what PATH holds; *: the system's.
    # (A CMake list can't hold the ";": it comes in for {SEMICOLON} below.)
    "CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)"
    "INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('PathUser', '=-PATH', '[~]{SEMICOLON}[INSTALLDIR]', 'PathUser')"
    "INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('PathMachine', '=-*PATH', '[~]{SEMICOLON}[INSTALLDIR]', 'PathMachine')"
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)"
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)")
foreach(query IN LISTS queries)
    string(REPLACE "{SEMICOLON}" ";" query "${query}")
    # msibuild reports a failed query on its standard error but still exits 0 for some.
    execute_process(COMMAND "${CPACK_CHPIMPORT_MSIBUILD}" "${msi}" -q "${query}"
                    RESULT_VARIABLE failed ERROR_VARIABLE errors OUTPUT_VARIABLE output)
    if(failed OR errors MATCHES "fail" OR output MATCHES "Usage")
        message(FATAL_ERROR "msibuild: ${query}\n${errors}${output}")
    endif()
endforeach()

include("${CPACK_CHPIMPORT_SOURCE_DIR}/cmake/sign.cmake")
chpimport_sign("${msi}")
set(CPACK_EXTERNAL_BUILT_PACKAGES "${msi}")
