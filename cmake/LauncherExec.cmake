# velaria_launcher_exec(<out> <program path>): the program path as a launcher's Exec value,
# quoted as desktop entries require, so that blanks, quotes, dollars, backslashes and percent
# signs in the folder reach the program as they are.
function(velaria_launcher_exec out path)
  if(path MATCHES "[\n\r\t]")
    message(FATAL_ERROR "La carpeta «${path}» contiene un salto de línea o un tabulador: "
                        "ningún lanzador puede nombrarla. Elija otra carpeta de instalación.")
  endif()
  # Inside the quoted argument: \ " ` $ take a backslash.
  string(REPLACE "\\" "\\\\" quoted "${path}")
  string(REPLACE "\"" "\\\"" quoted "${quoted}")
  string(REPLACE "`" "\\`" quoted "${quoted}")
  string(REPLACE "$" "\\$" quoted "${quoted}")
  # A lone % would be read as a field code.
  string(REPLACE "%" "%%" quoted "\"${quoted}\"")
  # The whole value is then a desktop-entry string, whose own escape is the backslash.
  string(REPLACE "\\" "\\\\" quoted "${quoted}")
  set(${out} "${quoted}" PARENT_SCOPE)
endfunction()
