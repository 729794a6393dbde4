#!/usr/bin/perl
# Walks an NDX file with an independent reader and prints one record number per line, in index order.
use strict;
use warnings;
use XBase::Index;
my $index = XBase::Index->new($ARGV[0]) or die XBase::Index->errstr;
$index->prepare_select or die $index->errstr;
while (my ($key, $recno) = $index->fetch) {
    print "$recno\n";
}
