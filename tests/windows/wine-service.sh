#!/bin/sh
# The Windows build's sentrel-service.exe under Wine, with the arguments
# given: what SENTREL_SERVICE_UNDER_TEST names to put it through the Linux
# build's service tests.
exec wine "$SENTREL_WINDOWS_SERVICE" "$@"
