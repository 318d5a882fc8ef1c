# The home-page addresses the build accepts and those it refuses:
#   cmake -P tests/home_url_test.cmake
cmake_policy(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/../cmake/home-url.cmake")

string(REPEAT "a" 81 long) # "https://", 81, ".example" and "/xy": 100 characters
set(accepted
  "https://orbelan.example" "http://127.0.0.1:47615" "https://www.example.cz/programy/orbelan"
  "https://x-y.example/a_b/c~d/e.f/%41-z" "https://example:65535" "https://${long}.example/xy")
set(refused
  "" "orbelan.example" "ftp://orbelan.example" "https://" "https:///path" "https://orbelan.example/"
  "https://x/?a=b" "https://x/#top" "https://u:p@x" "https://u@x" "https://x/a&b" "https://x/a b"
  "https://x/a\"b" "https://x/a'b" "https://x/a\\b" "https://x//a" "https://x/." "https://x/../y"
  "https://x:" "https://x:123456" "https://x:80a" "https://x..y" "https://.x"
  "https://x/a+b" "HTTPS://x" "https://x/a\tb" "https://${long}.example/xyz")
set(failures 0)
foreach(address IN LISTS accepted)
  orbelan_home_url_problem("${address}" problem)
  if(problem)
    message("FAIL: refused \"${address}\": ${problem}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
foreach(address IN LISTS refused)
  orbelan_home_url_problem("${address}" problem)
  if(NOT problem)
    message("FAIL: accepted \"${address}\"")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
list(LENGTH accepted a)
list(LENGTH refused r)
if(failures)
  message(FATAL_ERROR "home-page addresses: ${failures} wrong")
endif()
message("home-page addresses: ${a} accepted and ${r} refused, as they should be")
