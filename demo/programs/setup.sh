#!/bin/sh
# A demo program: says it was started, and with what.
msg="Demo program started: $0${*:+ $*}"
echo "$msg"
if [ -n "${DISPLAY:-}" ] && command -v xmessage >/dev/null; then
  exec xmessage -center -timeout 10 "$msg"
fi
