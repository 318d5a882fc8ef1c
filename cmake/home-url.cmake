# The home page's address, checked before it goes into the program.
#
# The program appends "/version.txt" and "/help.html" to it and shows it
# whole in the home-page label, notice 109 and the error report's contact
# note, whose ten lines fit their 511 characters with an address of at most
# 100. So it is a plain address: http:// or https://, a host of letters,
# digits, dots and hyphens, an optional port, and path segments of letters,
# digits and ._~%- (no query or fragment, which the appended names would
# land in; no user or password, which would show in the label; no "&",
# which a label shows as a shortcut; no "." or ".." segment; no closing
# slash).

# orbelan_home_url_problem(<address> <variable>): sets variable to why the
# address cannot be the home page, or to nothing when it can.
function(orbelan_home_url_problem address variable)
  set(problem "")
  string(LENGTH "${address}" length)
  set(label "[A-Za-z0-9-]+")
  set(segment "/[A-Za-z0-9._~%-]+")
  if(length GREATER 100)
    set(problem "it is longer than 100 characters")
  elseif(NOT address MATCHES "^https?://${label}(\\.${label})*(:[0-9]+)?(${segment})*$")
    set(problem "it is not http:// or https://, a host of letters, digits, dots and hyphens, an optional "
                "port, and path segments of letters, digits and ._~%- without a closing slash")
  elseif(address MATCHES ":([0-9][0-9][0-9][0-9][0-9][0-9]+)(/|$)")
    set(problem "its port has more than five digits")
  elseif(address MATCHES "/\\.\\.?(/|$)")
    set(problem "it has a \".\" or \"..\" segment")
  endif()
  string(REPLACE ";" "" problem "${problem}")
  set(${variable} "${problem}" PARENT_SCOPE)
endfunction()
