# TR58K_SANITIZE: sanitizers for every target of the build, named as
# -fsanitize takes them: "address,undefined" (./test.sh --asan) or "thread"
# (./test.sh --tsan); empty for none. Undefined behaviour stops the program
# at its first finding, so that a test cannot pass over it.
set(TR58K_SANITIZE "" CACHE STRING
  "Sanitizers for the whole build: address,undefined or thread (empty: none)")
if(TR58K_SANITIZE)
  if(TR58K_SANITIZE MATCHES "thread" AND TR58K_SANITIZE MATCHES "address")
    message(FATAL_ERROR "TR58K_SANITIZE: the thread and address sanitizers exclude each other")
  endif()
  set(_tr58k_sanitize_flags -fsanitize=${TR58K_SANITIZE} -fno-omit-frame-pointer)
  if(TR58K_SANITIZE MATCHES "undefined")
    list(APPEND _tr58k_sanitize_flags -fno-sanitize-recover=undefined)
  endif()
  add_compile_options(${_tr58k_sanitize_flags})
  add_link_options(${_tr58k_sanitize_flags})
  message(STATUS "Sanitizers: ${TR58K_SANITIZE}")
endif()
