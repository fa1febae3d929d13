# The package mirror this machine's own apt sources name, so that a script never writes a mirror's host
# into itself. Sourced by the fresh-machine check.
#
# apt_source_uri SUITE prints the URI of the first "deb" source that serves SUITE, from the deb822 files
# in /etc/apt/sources.list.d and then the one-line /etc/apt/sources.list; nothing (and returns 1) when no
# source serves it.
apt_source_uri() {
  local suite=$1 uri
  uri=$(awk -v suite="$suite" '
    BEGIN { RS = ""; FS = "\n" }
    {
      uri = ""; deb = 0; serves = 0
      for (i = 1; i <= NF; i++) {
        n = split($i, word, /[ \t]+/)
        if (word[1] == "Types:") for (j = 2; j <= n; j++) if (word[j] == "deb") deb = 1
        if (word[1] == "URIs:") uri = word[2]
        if (word[1] == "Suites:") for (j = 2; j <= n; j++) if (word[j] == suite) serves = 1
      }
      if (deb && serves && uri != "") { print uri; exit }
    }' /etc/apt/sources.list.d/*.sources 2>/dev/null)
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    uri=$(awk -v suite="$suite" '
      $1 == "deb" {
        i = 2
        if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
        if ($(i + 1) == suite) { print $i; exit }
      }' /etc/apt/sources.list)
  fi
  [ -n "$uri" ] || return 1
  echo "${uri%/}"
}
