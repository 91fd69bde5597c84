#!/bin/sh
echo "The Windows program is not built yet."
