#!/bin/sh
# Stands in for the user's browser and mail program under Wine: records each
# address it is asked to open, one a line, in $ZARVILO_BROWSER_LOG.
printf '%s\n' "$*" >>"${ZARVILO_BROWSER_LOG:-/tmp/zarvilo-browser.log}"
