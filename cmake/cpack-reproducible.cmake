# Read by CPack when it packs: every file of the package gets the same
# time stamp (the program's build date, 1 July 2006), so that one commit
# always gives a byte-identical package.
set(ENV{SOURCE_DATE_EPOCH} 1151712000)
