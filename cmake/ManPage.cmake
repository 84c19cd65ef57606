# Writes brevan's man page with help2man: the options from --help, the
# inventory subcommand's from its own --help, and the sections of INCLUDE.
# Run with -DHELP2MAN=<help2man> -DTOOL=<brevan> -DINCLUDE=<h2m> -DOUT=<page>.
cmake_policy(VERSION 3.25)
execute_process(COMMAND ${TOOL} inventory --help OUTPUT_VARIABLE inventory RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${TOOL} inventory --help failed")
endif()
# roff: a backslash is written \e, a leading dot or quote is escaped.
string(REPLACE "\\" "\\e" inventory "${inventory}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" inventory "${inventory}")
file(READ ${INCLUDE} sections)
get_filename_component(folder ${OUT} DIRECTORY)
file(WRITE ${folder}/brevan-inventory.h2m "${sections}\n[INVENTORY]\n.nf\n${inventory}.fi\n")
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 "--name=translate map workspaces into XML workspace documents"
          --include=${folder}/brevan-inventory.h2m --output=${OUT} ${TOOL}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "help2man failed")
endif()
