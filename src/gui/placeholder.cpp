namespace orvenka {}
