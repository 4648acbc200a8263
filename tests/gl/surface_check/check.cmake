# The binding declares the listed entry points and nothing else: a listed call compiles,
# an unlisted one is an undeclared name. Run as: cmake -DCXX=... -DSRC=... -DDIR=... -P
foreach(case listed unlisted)
  execute_process(
    COMMAND ${CXX} -std=c++20 -fsyntax-only -I${SRC} ${DIR}/${case}.cpp
    RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
  set(${case}_result ${result})
  set(${case}_errors "${errors}")
endforeach()
if(NOT listed_result EQUAL 0)
  message(FATAL_ERROR "a listed entry point does not compile:\n${listed_errors}")
endif()
if(unlisted_result EQUAL 0)
  message(FATAL_ERROR "glVertex2f compiled, but it is not part of the binding")
endif()
if(NOT unlisted_errors MATCHES "glVertex2f")
  message(FATAL_ERROR "the unlisted call failed for another reason:\n${unlisted_errors}")
endif()
