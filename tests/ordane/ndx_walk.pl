#!/usr/bin/perl
# Walks NDX files with an independent reader: one line per file named, its record numbers in index order.
use strict;
use warnings;
use XBase::Index;
for my $file (@ARGV) {
    my $index = XBase::Index->new($file) or die XBase::Index->errstr;
    $index->prepare_select or die $index->errstr;
    my @records;
    while (my ($key, $recno) = $index->fetch) {
        push @records, $recno;
    }
    print join(' ', @records), "\n";
}
