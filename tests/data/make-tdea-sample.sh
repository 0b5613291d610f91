#!/usr/bin/env bash
# Makes the TDEA sample the cipher and import-file tests check against, with
# the openssl command as the independent implementation:
#   tdea-sample.key  the key as a user would store it (48 hex digits, upper case)
#   tdea-sample.enc  150000 random bytes encrypted with des-ede3-cbc, no padding,
#                    under that key and the plug-in's fixed IV
#   tdea-sample.dec  openssl's decryption of tdea-sample.enc (-d -nopad)
# 150000 bytes span three 64 KiB file chunks and a few response blocks.
set -euo pipefail
cd "$(dirname "$0")"
iv=5830261947316084
key=$(openssl rand -hex 24 | tr a-f A-F)
printf %s "$key" > tdea-sample.key
openssl rand 150000 > tdea-sample.plain
openssl enc -e -des-ede3-cbc -nopad -K "$key" -iv $iv -in tdea-sample.plain -out tdea-sample.enc
openssl enc -d -des-ede3-cbc -nopad -K "$key" -iv $iv -in tdea-sample.enc -out tdea-sample.dec
cmp tdea-sample.plain tdea-sample.dec
rm tdea-sample.plain
